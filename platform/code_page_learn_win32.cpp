// Windows' own conversion says, once a code page is chosen, which character each byte stands for.
#include <windows.h>

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>

#include "platform/code_page_learn.h"

namespace {

UINT number_of(std::string_view name) {
  UINT number = 0;
  std::from_chars(name.data() + 2, name.data() + name.size(), number);
  return number;
}

bool offered(UINT code_page) {
  return std::any_of(kCodePages.begin(), kCodePages.end(),
                     [code_page](std::string_view name) { return number_of(name) == code_page; });
}

}  // namespace

bool learn_code_page(std::string_view name, CodePageTable& table, std::string& reason) {
  UINT code_page = number_of(name);
  if (!IsValidCodePage(code_page)) {
    reason = "this system does not know it";
    return false;
  }
  for (int byte = 0; byte < 256; ++byte) {
    char text = static_cast<char>(byte);
    wchar_t character = 0;
    table[byte] = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, &text, 1, &character, 1) == 1
                      ? static_cast<char32_t>(character)
                      : kUndefined;
  }
  return true;
}

std::string default_code_page(std::string& note) {
  UINT system = GetACP();
  if (offered(system)) return "CP" + std::to_string(system);
  note = "the system's code page, CP" + std::to_string(system) +
         ", is not one a player reads names in: CP1252 is used (another can be chosen with "
         "--codepage)";
  return std::string(kDefaultCodePage);
}
