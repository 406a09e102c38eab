// Rules about names that both platform layers share.
#pragma once

#include <string>
#include <string_view>

// Order in which the POSIX listing delivers a folder's entries, independent of the file system:
// ASCII letters folded to upper case, ties broken byte by byte.
bool listing_order(std::string_view left, std::string_view right);

// The form in which Windows compares a file name with another: ASCII letters folded to upper
// case, trailing spaces and dots dropped.
std::string windows_name_key(std::string_view name);
