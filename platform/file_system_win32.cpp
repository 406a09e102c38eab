// The file system on Windows, through the system's "A" functions: names arrive and leave in the
// system code page, exactly as the player's side of the world spells them.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shlwapi.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/names.h"

namespace {

std::string system_reason(DWORD error) {
  char text[512];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                error, 0, text, sizeof text, nullptr);
  while (length > 0 &&
         (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == '.'))
    --length;
  if (length == 0) return "error " + std::to_string(error);
  return std::string(text, length);
}

// Why path is not a regular disk file; empty when it is. Nothing is opened to find out.
std::string not_regular_reason(const char* path) {
  // Reserved names such as CON, nul.mp3 or COM1.mp3 name devices in every folder, and the
  // system gives them the attributes of an ordinary file; only their full path, \\.\NAME,
  // gives them away.
  DWORD size = GetFullPathNameA(path, 0, nullptr, nullptr);
  if (size == 0) return system_reason(GetLastError());
  std::string full_path(size, '\0');
  DWORD length = GetFullPathNameA(path, size, full_path.data(), nullptr);
  if (length == 0 || length >= size) return system_reason(GetLastError());
  if (full_path.starts_with("\\\\.\\")) return "names a device";
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return system_reason(GetLastError());
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "is a folder";
  return {};
}

// A binary stream of the C library over an open file handle, which it then owns. On failure
// the handle is closed, null returned and reason set.
std::FILE* stream_of(HANDLE file, int access, const char* mode, std::string& reason) {
  int descriptor = _open_osfhandle(reinterpret_cast<std::intptr_t>(file), access | _O_BINARY);
  if (descriptor < 0) {
    reason = std::strerror(errno);
    CloseHandle(file);
    return nullptr;
  }
  std::FILE* stream = _fdopen(descriptor, mode);
  if (stream == nullptr) {
    reason = std::strerror(errno);
    _close(descriptor);
  }
  return stream;
}

}  // namespace

void enumerate_entries(void* context, const char* folder, const char* pattern, EntryKind kind,
                       EntryVisitor visitor) {
  char search[264];
  int length = std::snprintf(search, sizeof search, "%s\\%s", folder, pattern);
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof search) return;
  WIN32_FIND_DATAA entry;
  HANDLE search_handle = FindFirstFileA(search, &entry);
  if (search_handle == INVALID_HANDLE_VALUE) return;
  do {
    bool directory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (directory != (kind == EntryKind::directories)) continue;
    if (std::strcmp(entry.cFileName, ".") == 0 || std::strcmp(entry.cFileName, "..") == 0) continue;
    // The search also matched the short name; the player sees only the long one.
    if (!PathMatchSpecA(entry.cFileName, pattern)) continue;
    if (!is_portable_name(entry.cFileName)) {
      // The "A" functions spell a character the code page lacks as "?", which no real name
      // holds: the player could never find this one.
      warn_once("skipping %s%s%s: code page %s has no characters for this name",
                std::strcmp(folder, ".\\") == 0 ? "" : folder,
                std::strcmp(folder, ".\\") == 0 ? "" : "\\", entry.cFileName,
                code_page_name().c_str());
      continue;
    }
    visitor(context, folder, entry.cFileName);
  } while (FindNextFileA(search_handle, &entry));
  FindClose(search_handle);
}

bool is_regular_file(const char* path) { return not_regular_reason(path).empty(); }

std::FILE* open_regular_file(const char* path, std::string& reason) {
  reason = not_regular_reason(path);
  if (!reason.empty()) return nullptr;
  HANDLE file =
      CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    reason = system_reason(GetLastError());
    return nullptr;
  }
  // Checked again once open: the name may have been replaced meanwhile, or be a link to a device.
  if (GetFileType(file) != FILE_TYPE_DISK) {
    reason = "not a regular file";
    CloseHandle(file);
    return nullptr;
  }
  return stream_of(file, _O_RDONLY, "rb", reason);
}

std::FILE* create_file(const char* path, std::string& reason) {
  // A stale file of this name is never written through: start afresh. Created through the "A"
  // function like every other name here, so a path Windows cannot take fails now, not when the
  // finished file is to be put in place.
  DeleteFileA(path);
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    reason = system_reason(GetLastError());
    return nullptr;
  }
  return stream_of(file, _O_WRONLY, "wb", reason);
}

bool replace_file(const char* source, const char* target, std::string& reason) {
  if (MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING)) return true;
  reason = system_reason(GetLastError());
  return false;
}

void remove_file(const char* path) { DeleteFileA(path); }

bool change_working_folder(const char* path, std::string& reason) {
  if (SetCurrentDirectoryA(path)) return true;
  reason = system_reason(GetLastError());
  return false;
}
