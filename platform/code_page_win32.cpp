// The code page on Windows is the system's ANSI code page: the "A" functions deliver every name
// in it already. Only UTF-8 text from M3U files needs converting.
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/code_page.h"

bool utf8_to_code_page(std::string_view utf8, std::string& converted) {
  converted.clear();
  if (utf8.empty()) return true;
  int size = static_cast<int>(utf8.size());
  int wide_length =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  if (wide_length == 0) return false;
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), wide_length);
  // No best-fit mapping: a character the code page lacks must fail, not become a look-alike.
  BOOL used_default = FALSE;
  int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length, nullptr,
                                   0, nullptr, &used_default);
  if (length == 0 || used_default) return false;
  converted.resize(static_cast<std::size_t>(length));
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length, converted.data(),
                      length, nullptr, &used_default);
  return !used_default;
}

std::string display_text(std::string_view text) { return std::string(text); }

bool select_code_page(std::string_view /*name*/, std::string& reason) {
  reason = "not available on Windows, where the system's code page is always used";
  return false;
}

std::string code_page_name() { return "CP" + std::to_string(GetACP()); }

// The system decides the code page: there is nothing to go back to.
void reset_code_page() {}
