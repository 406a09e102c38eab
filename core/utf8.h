// UTF-8, as the file systems and most M3U files spell names.
#pragma once

#include <string>
#include <string_view>

bool is_ascii(std::string_view text);

inline bool is_ascii_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Where the run of ASCII in text that begins at from ends.
std::size_t end_of_ascii(std::string_view text, std::size_t from);

// How many bytes the valid UTF-8 character at text[at] takes; 0 where none begins.
std::size_t utf8_sequence_length(std::string_view text, std::size_t at);

bool is_valid_utf8(std::string_view text);

// The first backslash or slash in text at or after from, or npos.
std::size_t find_separator(std::string_view text, std::size_t from = 0);

// The character at the front of valid UTF-8, which it then drops.
char32_t take_utf8_character(std::string_view& utf8);

void append_utf8(std::string& utf8, char32_t character);
