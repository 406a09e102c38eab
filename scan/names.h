// Rules about names that both platform layers share.
#pragma once

#include <string_view>

// Order in which the POSIX listing delivers a folder's entries, independent of the file system:
// ASCII letters folded to upper case, ties broken byte by byte.
bool listing_order(std::string_view left, std::string_view right);

// True when name matches pattern, where '*' stands for any run of characters and ASCII letters
// match in either case. Every platform keeps only the names that match by this rule: the Win32
// file search also matches the generated 8.3 short names, so "x.mp3x" (short name X~1.MP3)
// would otherwise pass for "*.mp3".
bool matches_pattern(std::string_view name, std::string_view pattern);
