// Arbitrary bytes as the relative path of a playlist entry. Whatever the path, the record is
// either refused (the path is too long for the device path field) or holds the header, zeros,
// the device path copied byte for byte, and only zeros after it, the terminator included.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "core/playlist_entry.h"

namespace {

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "playlist entry invariant broken: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view path(reinterpret_cast<const char*>(data), size);
  PlaylistEntry entry;
  entry.fill(0xA5);  // so that a byte the encoder leaves alone shows
  const bool encoded = encode_entry(path, entry);

  // The device path is the prefix, a backslash and the path; with its terminator it must fit
  // the field, which ends with the record.
  const bool fits = kDevicePrefix.size() + 1 + size + 1 <= kDevicePathFieldSize;
  require(encoded == fits, fits ? "a path that fits was refused" : "a path too long was taken");
  if (!encoded) return 0;

  for (std::size_t i = 0; i < kEntryHeader.size(); ++i)
    require(entry[i] == kEntryHeader[i], "header");
  for (std::size_t i = kEntryHeader.size(); i < kDevicePathOffset; ++i)
    require(entry[i] == 0, "zeros between the header and the device path");

  std::size_t at = kDevicePathOffset;
  for (char c : kDevicePrefix) require(entry[at++] == static_cast<unsigned char>(c), "prefix");
  require(entry[at++] == '\\', "backslash after the prefix");
  for (char c : path) require(entry[at++] == static_cast<unsigned char>(c), "path bytes");
  require(at < kEntrySize, "terminator inside the field");
  for (; at < kEntrySize; ++at) require(entry[at] == 0, "zeros from the terminator to the end");
  return 0;
}
