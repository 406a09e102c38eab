#include "platform/paths_win32.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/text_win32.h"

namespace {

bool is_separator(wchar_t character) { return character == L'\\' || character == L'/'; }

}  // namespace

std::string system_reason(DWORD error) {
  // A call that failed without saying why has still failed.
  if (error == ERROR_SUCCESS) return std::strerror(EIO);
  wchar_t text[512];
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                error, 0, text, sizeof text / sizeof text[0], nullptr);
  while (length > 0 &&
         (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L'.'))
    --length;
  if (length == 0) return "error " + std::to_string(error);
  return wide_to_utf8(std::wstring_view(text, length));
}

std::wstring current_folder() {
  DWORD size = GetCurrentDirectoryW(0, nullptr);
  std::wstring current(size, L'\0');
  current.resize(GetCurrentDirectoryW(size, current.data()));
  return current;
}

bool full_path_of(const std::wstring& path, std::wstring& full, DWORD& error) {
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  full.assign(size, L'\0');
  DWORD length = size == 0 ? 0 : GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) {
    error = GetLastError();
    return false;
  }
  full.resize(length);
  return true;
}

std::wstring long_path(std::wstring path) {
  if (path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\")) return path;
  bool absolute = (path.size() >= 2 && path[1] == L':') || (!path.empty() && is_separator(path[0]));
  if (!absolute) path = current_folder() + L"\\" + path;
  // The root stays as it is: "C:" or "\\server\share".
  std::size_t root_end = 2;
  std::wstring prefix = L"\\\\?\\";
  if (is_separator(path[0]) && path.size() > 1 && is_separator(path[1])) {
    prefix = L"\\\\?\\UNC";
    root_end = path.find_first_of(L"\\/", path.find_first_of(L"\\/", 2) + 1);
    if (root_end == std::wstring::npos) root_end = path.size();
    root_end = std::min(root_end, path.size());
    prefix += L"\\" + path.substr(2, root_end - 2);
  } else {
    prefix += path.substr(0, 2);
  }
  std::vector<std::wstring_view> parts;
  std::wstring_view rest = std::wstring_view(path).substr(root_end);
  while (!rest.empty()) {
    std::size_t separator = rest.find_first_of(L"\\/");
    std::wstring_view part = rest.substr(0, separator);
    rest = separator == std::wstring_view::npos ? std::wstring_view() : rest.substr(separator + 1);
    if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != L".") {
      parts.push_back(part);
    }
  }
  std::wstring result = prefix;
  for (std::wstring_view part : parts) result.append(L"\\").append(part);
  if (parts.empty()) result += L'\\';
  return result;
}
