// Conversions the Win32 layer needs between the system's UTF-16 names, the program's code-page
// texts and the UTF-8 the console is given.
#pragma once

#include <string>
#include <string_view>

// The program's text for a name: false when the code page has no exact spelling for it (no
// look-alike is ever taken in its place).
bool wide_to_code_page(std::wstring_view wide, std::string& text);

std::wstring code_page_to_wide(std::string_view text);

std::wstring utf8_to_wide(std::string_view utf8);
std::string wide_to_utf8(std::wstring_view wide);

// UTF-8 text as bytes of the code page, for output that is not a console; a character the code
// page lacks becomes "?".
std::string utf8_to_code_page_bytes(std::string_view utf8);
