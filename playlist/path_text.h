// Path texts: relative paths, playlist paths and M3U paths, with the backslash as separator.
// The program handles texts of up to 263 characters, as the Windows player side does; longer
// ones are refused, never cut.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t kMaxPathText = 263;

// Sets joined to "folder\name". Returns false when that would not fit a path text.
bool join_path(std::string& joined, std::string_view folder, std::string_view name);
