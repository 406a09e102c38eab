// The playlist file format: a plain sequence of fixed-size records, one per folder or track,
// each naming its item by the path the player resolves on its own storage.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t kEntrySize = 716;
inline constexpr std::array<unsigned char, 5> kEntryHeader = {0xBE, 0xBA, 0x02, 0x00, 0x01};
inline constexpr std::size_t kDevicePathOffset = 324;
// 391 characters and the terminator; every byte after the terminator is zero.
inline constexpr std::size_t kDevicePathFieldSize = kEntrySize - kDevicePathOffset;
// The player sees the working folder as this folder of its own.
inline constexpr std::string_view kDevicePrefix = "a:\\Music";
// The longest relative path whose device path (prefix, backslash, path) fits the field.
inline constexpr std::size_t kMaxEntryPathLength =
    kDevicePathFieldSize - 1 - kDevicePrefix.size() - 1;

using PlaylistEntry = std::array<unsigned char, kEntrySize>;

// Builds the record for a relative path (bytes of the device's code page, backslash as the
// separator), copied byte for byte. Returns false, leaving the record unspecified, when the
// path does not fit the device path field.
[[nodiscard]] bool encode_entry(std::string_view relative_path, PlaylistEntry& entry);

// As encode_entry, appending the record to entries: false, appending nothing, when the path does
// not fit.
[[nodiscard]] bool append_entry(std::string_view relative_path, std::string& entries);
