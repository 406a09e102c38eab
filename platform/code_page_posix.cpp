// The code page on POSIX: between the file system's UTF-8 and the player's single-byte Windows
// code page. iconv says once, when the code page is chosen, which character each byte stands
// for; names are then converted with that table, a character at a time and exactly, as Windows
// converts them for the Windows build: a character without a byte of its own has no spelling.
#include "platform/code_page_posix.h"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cwctype>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/code_page.h"
#include "platform/names.h"
#include "platform/process.h"

namespace {

constexpr std::string_view kDefaultCodePage = "CP1252";
constexpr std::uint32_t kUndefined = 0xFFFFFFFF;

// Every character of these code pages comes before U+2200 (the last is U+2122, the trade mark).
constexpr std::uint32_t kCharacters = 0x2200;

struct CodePage {
  std::string name;
  std::array<std::uint32_t, 256> characters;  // of each byte, or kUndefined
  std::vector<std::int16_t> bytes;            // of each character below kCharacters, or -1
  std::optional<std::array<unsigned char, 256>> upper;  // made when first needed
};

// The character at the front of valid UTF-8, which it then drops.
std::uint32_t take_character(std::string_view& utf8) {
  unsigned char lead = static_cast<unsigned char>(utf8[0]);
  std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  std::uint32_t character = length == 1   ? lead
                            : length == 2 ? lead & 0x1Fu
                            : length == 3 ? lead & 0x0Fu
                                          : lead & 0x07u;
  for (std::size_t i = 1; i < length && i < utf8.size(); ++i)
    character = character << 6 | (static_cast<unsigned char>(utf8[i]) & 0x3Fu);
  utf8.remove_prefix(std::min(length, utf8.size()));
  return character;
}

void append_utf8(std::string& utf8, std::uint32_t character) {
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

// Asks iconv what each byte of the code page stands for; false when it does not know the code
// page.
bool learn(std::string_view name, CodePage& code_page) {
  iconv_t to_utf8 = iconv_open("UTF-8", std::string(name).c_str());
  if (to_utf8 == reinterpret_cast<iconv_t>(-1)) return false;
  code_page = {std::string(name), {}, std::vector<std::int16_t>(kCharacters, -1), {}};
  for (int byte = 0; byte < 256; ++byte) {
    char in = static_cast<char>(byte);
    char out[8];
    char* in_place = &in;
    char* out_place = out;
    std::size_t in_left = 1;
    std::size_t out_left = sizeof out;
    iconv(to_utf8, nullptr, nullptr, nullptr, nullptr);
    std::string_view utf8;
    if (iconv(to_utf8, &in_place, &in_left, &out_place, &out_left) != static_cast<std::size_t>(-1))
      utf8 = std::string_view(out, static_cast<std::size_t>(out_place - out));
    code_page.characters[byte] = utf8.empty() ? kUndefined : take_character(utf8);
    // One byte, one character: a byte that takes more (none of these code pages has one) is
    // left undefined.
    if (!utf8.empty()) code_page.characters[byte] = kUndefined;
    if (code_page.characters[byte] < kCharacters)
      code_page.bytes[code_page.characters[byte]] = static_cast<std::int16_t>(byte);
    else
      code_page.characters[byte] = kUndefined;
  }
  iconv_close(to_utf8);
  return true;
}

CodePage& current() {
  static CodePage code_page = [] {
    CodePage learned;
    learn(kDefaultCodePage, learned);
    return learned;
  }();
  return code_page;
}

std::optional<unsigned char> byte_of(const CodePage& code_page, std::uint32_t character) {
  if (character >= kCharacters || code_page.bytes[character] < 0) return std::nullopt;
  return static_cast<unsigned char>(code_page.bytes[character]);
}

}  // namespace

// ASCII reads the same in UTF-8 and in every code page offered: most names need no table.
bool utf8_to_code_page(std::string_view utf8, std::string& converted) {
  if (is_ascii(utf8)) {
    converted.assign(utf8);
    return true;
  }
  converted.clear();
  if (!is_valid_utf8(utf8)) return false;
  const CodePage& code_page = current();
  while (!utf8.empty()) {
    std::optional<unsigned char> byte = byte_of(code_page, take_character(utf8));
    if (!byte) return false;
    converted += static_cast<char>(*byte);
  }
  return true;
}

bool code_page_to_utf8(std::string_view text, std::string& utf8) {
  if (is_ascii(text)) {
    utf8.assign(text);
    return true;
  }
  utf8.clear();
  const CodePage& code_page = current();
  for (char byte : text) {
    std::uint32_t character = code_page.characters[static_cast<unsigned char>(byte)];
    if (character == kUndefined) return false;
    append_utf8(utf8, character);
  }
  return true;
}

NameConversion file_system_name_to_code_page(std::string_view name, std::string& converted) {
  // Not UTF-8: some older tool wrote the name in an 8-bit code page; take it as it is.
  if (!is_valid_utf8(name)) {
    converted.assign(name);
    return NameConversion::taken_as_is;
  }
  return utf8_to_code_page(name, converted) ? NameConversion::converted
                                            : NameConversion::not_representable;
}

std::string display_text(std::string_view text) {
  if (is_ascii(text)) return std::string(text);
  std::string shown;
  const CodePage& code_page = current();
  for (char byte : text) {
    std::uint32_t character = code_page.characters[static_cast<unsigned char>(byte)];
    // A byte the code page leaves undefined is shown as "?".
    append_utf8(shown, character == kUndefined ? '?' : character);
  }
  return shown;
}

bool select_code_page(std::string_view name, std::string& reason) {
  for (std::string_view code_page : kCodePages) {
    if (!equal_ignoring_ascii_case(name, code_page)) continue;
    if (!learn(code_page, current())) {
      reason = "this system's iconv does not know it";
      return false;
    }
    return true;
  }
  reason = "not one of CP1250 to CP1258 or CP874";
  return false;
}

// UTF-8 names on a POSIX system say nothing of the player's code page.
void use_default_code_page() {}

// The C library's Unicode case mapping, as its UTF-8 locale has it: the letters Windows folds in
// the code page fold here too.
const std::array<unsigned char, 256>& upper_case_table() {
  CodePage& code_page = current();
  if (code_page.upper) return *code_page.upper;
  std::array<unsigned char, 256>& upper = code_page.upper.emplace();
  static locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  for (int byte = 0; byte < 256; ++byte) {
    upper[byte] = byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A')
                                             : static_cast<unsigned char>(byte);
    std::uint32_t character = code_page.characters[byte];
    if (byte < 0x80 || character == kUndefined || unicode == static_cast<locale_t>(nullptr))
      continue;
    auto upper_character =
        static_cast<std::uint32_t>(towupper_l(static_cast<wint_t>(character), unicode));
    if (std::optional<unsigned char> upper_byte = byte_of(code_page, upper_character))
      upper[byte] = *upper_byte;
  }
  return upper;
}

std::string code_page_name() { return current().name; }

void reset_code_page() {
  std::string ignored;
  select_code_page(kDefaultCodePage, ignored);
}

std::vector<std::string> program_arguments(int argc, char** argv) { return {argv, argv + argc}; }
