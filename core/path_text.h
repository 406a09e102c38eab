// Path texts: relative paths, playlist paths and M3U paths, with the backslash as separator.
// The program handles texts of up to 263 characters, as the Windows player side does; longer
// ones are refused, never cut.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t kMaxPathText = 263;

// Sets joined to "folder\name", or to name alone for the music folder (an empty folder). Returns
// false when that would not fit a path text.
inline bool join_path(std::string& joined, std::string_view folder, std::string_view name) {
  if (folder.size() + !folder.empty() + name.size() > kMaxPathText) return false;
  joined.assign(folder);
  if (!folder.empty()) joined += '\\';
  joined += name;
  return true;
}
