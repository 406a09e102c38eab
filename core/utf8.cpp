#include "core/utf8.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

std::size_t end_of_ascii(std::string_view text, std::size_t from) {
  // Eight bytes at a time: names are mostly ASCII.
  std::size_t i = from;
  for (std::uint64_t word = 0; i + 8 <= text.size(); i += 8) {
    std::memcpy(&word, text.data() + i, 8);
    std::uint64_t high = word & 0x8080808080808080u;
    if (high == 0) continue;
    if constexpr (std::endian::native == std::endian::little)
      return i + static_cast<std::size_t>(std::countr_zero(high)) / 8;
    break;
  }
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  return i;
}

bool is_ascii(std::string_view text) { return end_of_ascii(text, 0) == text.size(); }

std::size_t utf8_sequence_length(std::string_view text, std::size_t at) {
  unsigned char lead = static_cast<unsigned char>(text[at]);
  std::size_t length = lead < 0x80                    ? 1
                       : lead >= 0xC2 && lead <= 0xDF ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k)
    if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 0;
  if (length > 1) {
    unsigned char second = static_cast<unsigned char>(text[at + 1]);
    // Overlong forms, UTF-16 surrogates and code points beyond U+10FFFF.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
      return 0;
  }
  return length;
}

bool is_valid_utf8(std::string_view text) {
  for (std::size_t i = end_of_ascii(text, 0); i < text.size(); i = end_of_ascii(text, i)) {
    std::size_t length = utf8_sequence_length(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::size_t find_separator(std::string_view text, std::size_t from) {
  if (from >= text.size()) return std::string_view::npos;
  const char* begin = text.data() + from;
  std::size_t size = text.size() - from;
  const void* slash = std::memchr(begin, '/', size);
  if (slash != nullptr) size = static_cast<std::size_t>(static_cast<const char*>(slash) - begin);
  const void* backslash = std::memchr(begin, '\\', size);
  const void* first = backslash != nullptr ? backslash : slash;
  if (first == nullptr) return std::string_view::npos;
  return from + static_cast<std::size_t>(static_cast<const char*>(first) - begin);
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
