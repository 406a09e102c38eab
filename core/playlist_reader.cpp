#include "core/playlist_reader.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "core/playlist_entry.h"

namespace {

std::string hex_byte(unsigned char byte) {
  char text[5];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(byte));
  return text;
}

unsigned char byte_at(std::string_view bytes, std::size_t offset) {
  return static_cast<unsigned char>(bytes[offset]);
}

// Offset within the entry of the first non-zero byte in [begin, end), or end.
std::size_t first_non_zero(std::string_view entry, std::size_t begin, std::size_t end) {
  auto found = std::find_if(entry.begin() + begin, entry.begin() + end,
                            [](char byte) { return byte != '\0'; });
  return static_cast<std::size_t>(found - entry.begin());
}

// Checks one complete entry; on success sets device_path.
std::optional<PlaylistFault> decode_entry(std::string_view entry, std::size_t start,
                                          std::string& device_path) {
  for (std::size_t i = 0; i < kEntryHeader.size(); ++i) {
    if (byte_at(entry, i) != kEntryHeader[i])
      return PlaylistFault{start + i, "entry header byte is " + hex_byte(byte_at(entry, i)) +
                                          ", expected " + hex_byte(kEntryHeader[i])};
  }
  std::size_t padding = first_non_zero(entry, kEntryHeader.size(), kDevicePathOffset);
  if (padding != kDevicePathOffset)
    return PlaylistFault{start + padding, "non-zero byte " + hex_byte(byte_at(entry, padding)) +
                                              " between the entry header and the device path"};
  std::size_t terminator = entry.find('\0', kDevicePathOffset);
  if (terminator == std::string_view::npos)
    return PlaylistFault{start + kEntrySize - 1,
                         "device path runs to the end of its entry without a terminator"};
  std::size_t trailing = first_non_zero(entry, terminator, kEntrySize);
  if (trailing != kEntrySize)
    return PlaylistFault{start + trailing, "non-zero byte " + hex_byte(byte_at(entry, trailing)) +
                                               " after the device path's terminator"};
  device_path.assign(entry.substr(kDevicePathOffset, terminator - kDevicePathOffset));
  return std::nullopt;
}

}  // namespace

PlaylistContents read_playlist(std::string_view bytes) {
  PlaylistContents contents;
  for (std::size_t start = 0; start < bytes.size(); start += kEntrySize) {
    std::size_t remaining = bytes.size() - start;
    if (remaining < kEntrySize) {
      contents.fault =
          PlaylistFault{start, "incomplete entry: " + std::to_string(remaining) +
                                   " bytes where an entry has " + std::to_string(kEntrySize)};
      break;
    }
    std::string device_path;
    contents.fault = decode_entry(bytes.substr(start, kEntrySize), start, device_path);
    if (contents.fault) break;
    contents.device_paths.push_back(std::move(device_path));
  }
  return contents;
}
