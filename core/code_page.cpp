#include "core/code_page.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "core/utf8.h"

namespace {

// Every character of these code pages comes before U+2200 (the last is U+2122, the trade mark).
constexpr char32_t kCharacters = 0x2200;

bool is_control(char32_t character) {
  return character < 0x20 || (character >= 0x7F && character <= 0x9F);
}

}  // namespace

char32_t simple_upper_case(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (c < 0xB5) return c;
  if (c == 0xB5) return 0x39C;  // micro sign: Greek capital mu
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x131) return 'I';              // dotless i
    if (c == 0x17F) return 'S';              // long s
    if (c == 0x138 || c == 0x149) return c;  // kra and n preceded by apostrophe have no capital
    // Capitals and small letters alternate: capital first up to U+0137 and from U+014A to U+0177,
    // small first from U+0139 to U+0148 and from U+0179 to U+017E.
    bool capital_even = c <= 0x137 || (c >= 0x14A && c <= 0x177);
    bool small_even = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (capital_even && (c & 1) != 0) return c - 1;
    if (small_even && (c & 1) == 0) return c - 1;
    return c;
  }
  if (c == 0x192) return 0x191;                // f with hook
  if (c == 0x1A1 || c == 0x1B0) return c - 1;  // o and u with horn
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
  if (c == 0x3C2) return 0x3A3;  // final sigma
  if ((c >= 0x3B1 && c <= 0x3CB)) return c - 0x20;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c == 0x491) return 0x490;
  return c;
}

CodePage::CodePage(std::string name, const CodePageTable& characters)
    : name_(std::move(name)), characters_(characters), bytes_(kCharacters, -1) {
  for (int byte = 0; byte < 256; ++byte) {
    char32_t& character = characters_[byte];
    bool own_control = byte < 0x20 || byte == 0x7F;
    if (character >= kCharacters || (is_control(character) && !own_control) ||
        (own_control && character != static_cast<char32_t>(byte)))
      character = kUndefined;
    if (character != kUndefined) bytes_[character] = static_cast<std::int16_t>(byte);
  }
  for (int byte = 0; byte < 256; ++byte) {
    char32_t character = characters_[byte];
    std::string utf8;
    append_utf8(utf8, character == kUndefined || is_control(character) ? '?' : character);
    std::copy(utf8.begin(), utf8.end(), shown_[byte].begin());
    shown_length_[byte] = static_cast<unsigned char>(utf8.size());
  }
  for (int byte = 0; byte < 256; ++byte) {
    upper_[byte] = static_cast<unsigned char>(byte);
    char32_t character = characters_[byte];
    if (character == kUndefined) continue;
    char32_t capital = simple_upper_case(character);
    if (capital < kCharacters && bytes_[capital] >= 0)
      upper_[byte] = static_cast<unsigned char>(bytes_[capital]);
  }
}

bool CodePage::from_utf8(std::string_view utf8, std::string& text) const {
  return convert_utf8(utf8, text) == Conversion::converted;
}

// One pass: every character is checked as UTF-8 and looked up as it is taken.
CodePage::Conversion CodePage::convert_utf8(std::string_view utf8, std::string& text) const {
  // No character takes more bytes in the code page than in UTF-8.
  text.resize(utf8.size());
  char* out = text.data();
  bool spellable = true;
  for (std::size_t i = 0; i < utf8.size();) {
    // ASCII reads the same in every code page offered, and runs of it go at once.
    std::size_t run = end_of_ascii(utf8, i);
    std::memcpy(out, utf8.data() + i, run - i);
    out += run - i;
    if (run == utf8.size()) break;
    std::size_t length = utf8_sequence_length(utf8, run);
    if (length == 0) {
      text.clear();
      return Conversion::not_utf8;
    }
    std::string_view character_bytes = utf8.substr(run, length);
    char32_t character = take_utf8_character(character_bytes);
    if (character < kCharacters && bytes_[character] >= 0)
      *out++ = static_cast<char>(bytes_[character]);
    else
      spellable = false;
    i = run + length;
  }
  text.resize(static_cast<std::size_t>(out - text.data()));
  return spellable ? Conversion::converted : Conversion::unspellable;
}

std::string CodePage::spelled(std::string_view utf8) const {
  if (is_ascii(utf8)) return std::string(utf8);
  std::string text;
  while (!utf8.empty()) {
    char32_t character = take_utf8_character(utf8);
    text += character < kCharacters && bytes_[character] >= 0 ? static_cast<char>(bytes_[character])
                                                              : '?';
  }
  return text;
}

std::string CodePage::shown(std::string_view text) const {
  if (is_ascii(text)) return std::string(text);
  std::string utf8;
  for (char byte : text) {
    char32_t character = characters_[static_cast<unsigned char>(byte)];
    append_utf8(utf8, character == kUndefined ? '?' : character);
  }
  return utf8;
}

namespace {

// True when all eight bytes of word are printable ASCII, 0x20 to 0x7E.
bool all_printable_ascii(std::uint64_t word) {
  constexpr std::uint64_t kEach = 0x0101010101010101u;
  constexpr std::uint64_t kHigh = 0x8080808080808080u;
  std::uint64_t below_space = (word - 0x20 * kEach) & ~word;
  std::uint64_t delete_bytes = word ^ (0x7F * kEach);
  std::uint64_t is_delete = (delete_bytes - kEach) & ~delete_bytes;
  return ((word | below_space | is_delete) & kHigh) == 0;
}

}  // namespace

void CodePage::append_shown(std::string_view text, std::string& shown) const {
  std::size_t start = shown.size();
  // Each byte shows as up to three.
  shown.resize(start + 3 * text.size());
  char* out = shown.data() + start;
  for (std::size_t i = 0; i < text.size();) {
    // Printable ASCII, most of any name, goes eight bytes at a time; eight that are not, one
    // at a time.
    std::uint64_t word = 0;
    std::size_t end = std::min(i + 8, text.size());
    if (end == i + 8) {
      std::memcpy(&word, text.data() + i, 8);
      if (all_printable_ascii(word)) {
        std::memcpy(out, &word, 8);
        out += 8;
        i += 8;
        continue;
      }
    }
    for (; i < end; ++i) {
      unsigned char byte = static_cast<unsigned char>(text[i]);
      std::memcpy(out, shown_[byte].data(), 3);
      out += shown_length_[byte];
    }
  }
  shown.resize(static_cast<std::size_t>(out - shown.data()));
}

std::size_t CodePage::bytes_defined() const {
  return static_cast<std::size_t>(
      std::count_if(characters_.begin(), characters_.end(),
                    [](char32_t character) { return character != kUndefined; }));
}

std::size_t CodePage::bytes_folded() const {
  std::size_t folded = 0;
  for (int byte = 0; byte < 256; ++byte) folded += upper_[byte] != byte;
  return folded;
}
