#include "core/utf8.h"

#include <algorithm>

bool is_ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char character) { return static_cast<unsigned char>(character) < 0x80; });
}

bool is_valid_utf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80                    ? 1
                         : lead >= 0xC2 && lead <= 0xDF ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    if (length > 1) {
      unsigned char second = static_cast<unsigned char>(text[i + 1]);
      // Overlong forms, UTF-16 surrogates and code points beyond U+10FFFF.
      if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
          (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
        return false;
    }
    i += length;
  }
  return true;
}

std::size_t find_separator(std::string_view text, std::size_t from) {
  for (std::size_t i = from; i < text.size(); ++i)
    if (text[i] == '\\' || text[i] == '/') return i;
  return std::string_view::npos;
}

char32_t take_utf8_character(std::string_view& utf8) {
  unsigned char lead = static_cast<unsigned char>(utf8[0]);
  std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  char32_t character = length == 1   ? lead
                       : length == 2 ? lead & 0x1Fu
                       : length == 3 ? lead & 0x0Fu
                                     : lead & 0x07u;
  for (std::size_t i = 1; i < length && i < utf8.size(); ++i)
    character = character << 6 | (static_cast<unsigned char>(utf8[i]) & 0x3Fu);
  utf8.remove_prefix(std::min(length, utf8.size()));
  return character;
}

void append_utf8(std::string& utf8, char32_t character) {
  if (character < 0x80) {
    utf8 += static_cast<char>(character);
  } else if (character < 0x800) {
    utf8 += static_cast<char>(0xC0 | character >> 6);
    utf8 += static_cast<char>(0x80 | (character & 0x3F));
  } else if (character < 0x10000) {
    utf8 += static_cast<char>(0xE0 | character >> 12);
    utf8 += static_cast<char>(0x80 | (character >> 6 & 0x3F));
    utf8 += static_cast<char>(0x80 | (character & 0x3F));
  } else {
    utf8 += static_cast<char>(0xF0 | character >> 18);
    utf8 += static_cast<char>(0x80 | (character >> 12 & 0x3F));
    utf8 += static_cast<char>(0x80 | (character >> 6 & 0x3F));
    utf8 += static_cast<char>(0x80 | (character & 0x3F));
  }
}
