// The device's code page. Inside the program every name and path is a string of bytes in the
// 8-bit code page the player resolves its entries in (Windows-1252 on a western system): the
// relative paths, their sort order and the playlist entries. On Windows the system's "A"
// functions deliver names that way; on POSIX the file system layer converts from and to UTF-8.
#pragma once

#include <string>
#include <string_view>

// Converts UTF-8 text to the code page. Returns false when a character has no place in it.
bool utf8_to_code_page(std::string_view utf8, std::string& converted);

// Code-page text as the console should show it: UTF-8 on POSIX, unchanged on Windows.
std::string display_text(std::string_view text);

// Chooses the code page by its iconv name (CP1250 to CP1258, CP874; ASCII case ignored).
// Returns false with the reason when the name is not one of those, or when the platform
// decides the code page itself.
bool select_code_page(std::string_view name, std::string& reason);

// The code page's name, for messages.
std::string code_page_name();

// Goes back to the code page the program starts with.
void reset_code_page();
