// UTF-8, as the file systems and most M3U files spell names.
#pragma once

#include <string>
#include <string_view>

bool is_ascii(std::string_view text);

bool is_valid_utf8(std::string_view text);

// The first backslash or slash in text at or after from, or npos.
std::size_t find_separator(std::string_view text, std::size_t from = 0);

// The character at the front of valid UTF-8, which it then drops.
char32_t take_utf8_character(std::string_view& utf8);

void append_utf8(std::string& utf8, char32_t character);
