// Rules about names that both platform layers share.
#pragma once

#include <string>
#include <string_view>

// Order in which the POSIX listing delivers a folder's entries, independent of the file system:
// ASCII letters folded to upper case, ties broken byte by byte.
bool listing_order(std::string_view left, std::string_view right);

// Compares two file names as Windows does when it looks one up: ASCII letters folded to upper
// case, trailing spaces and dots ignored. Negative, zero or positive, as memcmp.
int compare_windows_names(std::string_view left, std::string_view right);

bool equal_ignoring_ascii_case(std::string_view left, std::string_view right);

bool is_ascii(std::string_view text);

bool is_valid_utf8(std::string_view text);

// False for a name a Windows player could never find: one holding control characters or any
// of " * : < > ? \ |.
bool is_portable_name(std::string_view name);

// True when a name a listing found may be handed on: text is its code-page text, or null when
// the code page has none. Otherwise warns, once a run, naming the entry by its folder (a path
// text) and its name as the system spells it (UTF-8), and returns false.
bool is_usable_name(const char* folder, std::string_view system_name, const char* text);
