// Feeds arbitrary bytes to the playlist reader that epldump uses, and checks its answer against
// the bytes: every entry it accepts must be exactly the record of its device path, and a file it
// finds no fault in must be whole entries and nothing else.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/playlist_entry.h"
#include "core/playlist_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  PlaylistContents contents = read_playlist(bytes);
  std::size_t accepted = contents.device_paths.size() * kEntrySize;
  if (accepted > size) std::abort();
  for (std::size_t i = 0; i < contents.device_paths.size(); ++i) {
    const std::string& path = contents.device_paths[i];
    if (path.size() >= kDevicePathFieldSize) std::abort();
    PlaylistEntry expected{};
    std::copy(kEntryHeader.begin(), kEntryHeader.end(), expected.begin());
    std::copy(path.begin(), path.end(), expected.begin() + kDevicePathOffset);
    if (!std::equal(expected.begin(), expected.end(), bytes.begin() + i * kEntrySize,
                    [](unsigned char a, char b) { return a == static_cast<unsigned char>(b); }))
      std::abort();
  }
  if (!contents.fault && (accepted != size)) std::abort();
  if (contents.fault && (contents.fault->offset < accepted || contents.fault->offset >= size))
    std::abort();
  return 0;
}
