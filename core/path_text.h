// Path texts: relative paths, playlist paths and M3U paths, with the backslash as separator.
// The program handles texts of up to 263 characters, as the Windows player side does; longer
// ones are refused, never cut: a path that cannot be formed must never become a shorter one,
// which would name another track or none.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t kMaxPathText = 263;

// How long "folder\name" is, or name alone for the music folder (an empty folder).
inline std::size_t joined_length(std::string_view folder, std::string_view name) {
  return folder.size() + !folder.empty() + name.size();
}

// Sets joined to "folder\name", or to name alone for the music folder. Returns false, leaving
// joined as it was, when that would not fit a path text.
[[nodiscard]] inline bool join_path(std::string& joined, std::string_view folder,
                                    std::string_view name) {
  if (joined_length(folder, name) > kMaxPathText) return false;
  joined.assign(folder);
  if (!folder.empty()) joined += '\\';
  joined += name;
  return true;
}
