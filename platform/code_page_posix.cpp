// The code page on POSIX: iconv converts between the file system's UTF-8 and the player's
// single-byte Windows code page.
#include "platform/code_page_posix.h"

#include <iconv.h>
#include <locale.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cwchar>
#include <cwctype>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "platform/names.h"
#include "platform/process.h"

namespace {

constexpr std::string_view kDefaultCodePage = "CP1252";

struct Converters {
  std::string name{kDefaultCodePage};
  iconv_t to_code_page = iconv_open(name.c_str(), "UTF-8");
  iconv_t to_utf8 = iconv_open("UTF-8", name.c_str());
  std::optional<std::array<unsigned char, 256>> upper;  // made when first needed
};

Converters& converters() {
  static Converters instance;
  return instance;
}

// Converts all of input, or returns false at the first character that cannot be converted;
// output then holds what came before it and position tells where it is.
bool convert(iconv_t converter, std::string_view input, std::string& output,
             std::size_t& position) {
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  output.clear();
  char* in = const_cast<char*>(input.data());
  std::size_t in_left = input.size();
  char buffer[1024];
  while (in_left > 0) {
    char* out = buffer;
    std::size_t out_left = sizeof buffer;
    std::size_t result = iconv(converter, &in, &in_left, &out, &out_left);
    output.append(buffer, out - buffer);
    if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
      position = input.size() - in_left;
      return false;
    }
  }
  char* out = buffer;
  std::size_t out_left = sizeof buffer;
  iconv(converter, nullptr, nullptr, &out, &out_left);
  output.append(buffer, out - buffer);
  return true;
}

// ASCII reads the same in UTF-8 and in every code page offered: most names need no iconv.
bool convert_text(iconv_t converter, std::string_view text, std::string& converted) {
  if (is_ascii(text)) {
    converted.assign(text);
    return true;
  }
  std::size_t position = 0;
  return convert(converter, text, converted, position);
}

}  // namespace

bool utf8_to_code_page(std::string_view utf8, std::string& converted) {
  return convert_text(converters().to_code_page, utf8, converted);
}

bool code_page_to_utf8(std::string_view text, std::string& utf8) {
  return convert_text(converters().to_utf8, text, utf8);
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
  std::string piece;
  for (;;) {
    std::size_t position = 0;
    if (convert(converters().to_utf8, text, piece, position)) return shown + piece;
    // A byte the code page leaves undefined is shown as "?"; the rest is converted on.
    shown += piece;
    shown += '?';
    text.remove_prefix(position + 1);
  }
}

bool select_code_page(std::string_view name, std::string& reason) {
  for (std::string_view code_page : kCodePages) {
    if (!equal_ignoring_ascii_case(name, code_page)) continue;
    Converters& current = converters();
    iconv_close(current.to_code_page);
    iconv_close(current.to_utf8);
    current.name = code_page;
    current.upper.reset();
    current.to_code_page = iconv_open(current.name.c_str(), "UTF-8");
    current.to_utf8 = iconv_open("UTF-8", current.name.c_str());
    if (current.to_code_page == reinterpret_cast<iconv_t>(-1) ||
        current.to_utf8 == reinterpret_cast<iconv_t>(-1)) {
      reason = "this system's iconv does not know it";
      return false;
    }
    return true;
  }
  reason = "not one of CP1250 to CP1258 or CP874";
  return false;
}

// The C library's Unicode case mapping, as its UTF-8 locale has it: the letters Windows folds in
// the code page fold here too.
const std::array<unsigned char, 256>& upper_case_table() {
  Converters& current = converters();
  if (current.upper) return *current.upper;
  std::array<unsigned char, 256>& upper = current.upper.emplace();
  for (int byte = 0; byte < 256; ++byte)
    upper[byte] = byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A')
                                             : static_cast<unsigned char>(byte);
  static locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  if (unicode == static_cast<locale_t>(nullptr)) return upper;
  locale_t previous = uselocale(unicode);
  std::string utf8;
  std::string back;
  for (int byte = 0x80; byte < 0x100; ++byte) {
    char text = static_cast<char>(byte);
    std::size_t position = 0;
    wchar_t letter = 0;
    std::mbstate_t state{};
    if (!convert(current.to_utf8, std::string_view(&text, 1), utf8, position) ||
        std::mbrtowc(&letter, utf8.data(), utf8.size(), &state) != utf8.size())
      continue;
    char encoded[MB_LEN_MAX];
    state = {};
    std::size_t length = std::wcrtomb(encoded, static_cast<wchar_t>(std::towupper(letter)), &state);
    if (length != static_cast<std::size_t>(-1) &&
        convert(current.to_code_page, std::string_view(encoded, length), back, position) &&
        back.size() == 1)
      upper[byte] = static_cast<unsigned char>(back[0]);
  }
  uselocale(previous);
  return upper;
}

std::string code_page_name() { return converters().name; }

// UTF-8 names on a POSIX system say nothing of the player's code page.
void use_default_code_page() {}

void reset_code_page() {
  std::string ignored;
  select_code_page(kDefaultCodePage, ignored);
}

std::vector<std::string> program_arguments(int argc, char** argv) { return {argv, argv + argc}; }
