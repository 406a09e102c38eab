// Between the UTF-8 the program speaks to the system in and the UTF-16 of Windows.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

inline std::wstring utf8_to_wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  int size = static_cast<int>(utf8.size());
  int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

// A lone surrogate, which no UTF-8 can hold, becomes U+FFFD.
inline std::string wide_to_utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  int size = static_cast<int>(wide.size());
  int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  if (length > 0)
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}
