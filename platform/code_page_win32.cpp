// The code page on Windows: the system's names are UTF-16, converted to the player's code page
// here, exactly as the POSIX layer converts from UTF-8. No look-alike ("best fit") is ever taken
// for a character the code page lacks.
#include "platform/code_page_win32.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/names.h"
#include "platform/process.h"

namespace {

constexpr UINT kDefaultCodePage = 1252;

UINT number_of(std::string_view name) {
  UINT number = 0;
  std::from_chars(name.data() + 2, name.data() + name.size(), number);
  return number;
}

bool offered(UINT code_page) {
  return std::any_of(kCodePages.begin(), kCodePages.end(),
                     [code_page](std::string_view name) { return number_of(name) == code_page; });
}

UINT chosen_code_page = 0;      // none yet
UINT upper_case_code_page = 0;  // the code page upper_case_table was made for
std::array<unsigned char, 256> upper_case;

UINT code_page() {
  if (chosen_code_page == 0) chosen_code_page = offered(GetACP()) ? GetACP() : kDefaultCodePage;
  return chosen_code_page;
}

std::wstring to_wide(UINT code_page, DWORD flags, std::string_view text) {
  if (text.empty()) return {};
  int size = static_cast<int>(text.size());
  int length = MultiByteToWideChar(code_page, flags, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  if (length > 0) MultiByteToWideChar(code_page, flags, text.data(), size, wide.data(), length);
  return wide;
}

// No look-alike is ever taken for a character the code page lacks: it becomes "?", and
// used_default, when given, says so. (UTF-8 lacks none, and takes neither.)
std::string from_wide(UINT code_page, std::wstring_view wide, BOOL* used_default) {
  if (wide.empty()) return {};
  DWORD flags = code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  int size = static_cast<int>(wide.size());
  int length =
      WideCharToMultiByte(code_page, flags, wide.data(), size, nullptr, 0, nullptr, used_default);
  std::string text(static_cast<std::size_t>(length), '\0');
  if (length > 0)
    WideCharToMultiByte(code_page, flags, wide.data(), size, text.data(), length, nullptr,
                        used_default);
  return text;
}

}  // namespace

// The C library's own parse of the command line, in UTF-16, as it gives wmain.
extern "C" int __wgetmainargs(  // NOLINT(bugprone-reserved-identifier): the library's name
    int* argc, wchar_t*** argv, wchar_t*** environment, int expand, int* start_information);

bool wide_to_code_page(std::wstring_view wide, std::string& text) {
  BOOL used_default = FALSE;
  text = from_wide(code_page(), wide, &used_default);
  return !used_default && (wide.empty() || !text.empty());
}

std::wstring code_page_to_wide(std::string_view text) { return to_wide(code_page(), 0, text); }

std::wstring utf8_to_wide(std::string_view utf8) { return to_wide(CP_UTF8, 0, utf8); }

std::string wide_to_utf8(std::wstring_view wide) { return from_wide(CP_UTF8, wide, nullptr); }

std::string utf8_to_code_page_bytes(std::string_view utf8) {
  if (is_ascii(utf8)) return std::string(utf8);
  return from_wide(code_page(), utf8_to_wide(utf8), nullptr);
}

bool utf8_to_code_page(std::string_view utf8, std::string& converted) {
  std::wstring wide = to_wide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8);
  if (wide.empty() && !utf8.empty()) return false;
  return wide_to_code_page(wide, converted);
}

std::string display_text(std::string_view text) {
  if (is_ascii(text)) return std::string(text);
  std::wstring wide = code_page_to_wide(text);
  // Windows gives a byte the code page leaves undefined (0x81 in CP1252) as a C1 control.
  std::replace_if(
      wide.begin(), wide.end(), [](wchar_t c) { return c >= 0x80 && c <= 0x9F; }, L'?');
  return wide_to_utf8(wide);
}

bool select_code_page(std::string_view name, std::string& reason) {
  for (std::string_view offered_name : kCodePages) {
    if (!equal_ignoring_ascii_case(name, offered_name)) continue;
    if (!IsValidCodePage(number_of(offered_name))) {
      reason = "this system does not know it";
      return false;
    }
    chosen_code_page = number_of(offered_name);
    return true;
  }
  reason = "not one of CP1250 to CP1258 or CP874";
  return false;
}

void use_default_code_page() {
  if (offered(GetACP())) return;
  chosen_code_page = kDefaultCodePage;
  warn(
      "the system's code page, CP%u, is not one a player reads names in: CP1252 is used "
      "(another can be chosen with --codepage)",
      static_cast<unsigned>(GetACP()));
}

// Windows' own case mapping: the letters it folds when it compares names.
const std::array<unsigned char, 256>& upper_case_table() {
  if (upper_case_code_page == code_page()) return upper_case;
  upper_case_code_page = code_page();
  for (int byte = 0; byte < 256; ++byte) {
    upper_case[byte] = static_cast<unsigned char>(byte);
    char text = static_cast<char>(byte);
    wchar_t letter = 0;
    wchar_t upper = 0;
    char back = 0;
    BOOL used_default = FALSE;
    if (MultiByteToWideChar(code_page(), 0, &text, 1, &letter, 1) == 1 &&
        LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, &letter, 1, &upper, 1) == 1 &&
        WideCharToMultiByte(code_page(), WC_NO_BEST_FIT_CHARS, &upper, 1, &back, 1, nullptr,
                            &used_default) == 1 &&
        !used_default)
      upper_case[byte] = static_cast<unsigned char>(back);
  }
  return upper_case;
}

std::string code_page_name() { return "CP" + std::to_string(code_page()); }

void reset_code_page() { chosen_code_page = 0; }

std::vector<std::string> program_arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = nullptr;
  wchar_t** environment = nullptr;
  int start_information = 0;
  if (__wgetmainargs(&count, &wide, &environment, 0, &start_information) != 0 || count != argc)
    return {argv, argv + argc};
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<std::size_t>(count));
  for (int index = 0; index < count; ++index) arguments.push_back(wide_to_utf8(wide[index]));
  return arguments;
}
