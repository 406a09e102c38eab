// Rules about names that both platform layers share.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Order in which the POSIX listing delivers a folder's entries, independent of the file system:
// letters folded to upper case as the code page folds them, ties broken byte by byte. Names
// that differ only in case come next to each other.
bool listing_order(std::string_view left, std::string_view right);

// Compares two names of the code page as Windows does when it looks one up: letters folded to
// upper case as the code page folds them (A and a, E acute and e acute). Negative, zero or
// positive, as memcmp.
int compare_windows_names(std::string_view left, std::string_view right);

// The path Windows looks up for a path text a user wrote: "." and ".." parts resolved as text
// (".." parts above the start kept in front), a part ending in one dot without it, the last part
// without its trailing dots and blanks. None when the text ends in a separator: no file is
// there.
std::optional<std::string> windows_path(std::string_view path);

bool equal_ignoring_ascii_case(std::string_view left, std::string_view right);

bool is_ascii(std::string_view text);

bool is_valid_utf8(std::string_view text);

// False for a name a Windows player could never find: one holding control characters or any
// of " * : < > ? \ |.
bool is_portable_name(std::string_view name);

// True when every part of a path text (between backslashes or slashes) is a portable name.
bool holds_portable_names(std::string_view path);

// How a diagnostic names an entry a listing found: its folder (a path text) and its name as the
// system spells it (UTF-8).
std::string shown_entry(const char* folder, std::string_view system_name);

// True when a name a listing found may be handed on: text is its code-page text, or null when
// the code page has none. Otherwise warns, once a run, naming the entry by its folder (a path
// text) and its name as the system spells it (UTF-8), and returns false.
bool is_usable_name(const char* folder, std::string_view system_name, const char* text);
