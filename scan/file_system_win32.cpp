// The file system on Windows, through the system's "A" functions: names arrive and leave in the
// system code page, exactly as the player's side of the world spells them.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "scan/file_system.h"

namespace {

std::string system_reason(DWORD error) {
  char text[512];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, error, 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == '.'))
    --length;
  if (length == 0) return "error " + std::to_string(error);
  return std::string(text, length);
}

}  // namespace

void enumerate_entries(void* context, const char* folder, const char* pattern, std::uint32_t mask,
                       EntryVisitor visitor) {
  char search[264];
  int length = std::snprintf(search, sizeof search, "%s\\%s", folder, pattern);
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof search) return;
  WIN32_FIND_DATAA entry;
  HANDLE search_handle = FindFirstFileA(search, &entry);
  if (search_handle == INVALID_HANDLE_VALUE) return;
  do {
    if (mask != kAnyEntry && (entry.dwFileAttributes & mask) == 0) continue;
    if (std::strcmp(entry.cFileName, ".") == 0 || std::strcmp(entry.cFileName, "..") == 0) continue;
    visitor(context, folder, entry.cFileName);
  } while (FindNextFileA(search_handle, &entry));
  FindClose(search_handle);
}

std::FILE* create_file(const char* path, std::string& reason) {
  // A stale file of this name is never written through: start afresh.
  DeleteFileA(path);
  int descriptor = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (descriptor < 0) {
    reason = std::strerror(errno);
    return nullptr;
  }
  std::FILE* stream = _fdopen(descriptor, "wb");
  if (stream == nullptr) {
    reason = std::strerror(errno);
    _close(descriptor);
  }
  return stream;
}

bool replace_file(const char* source, const char* target, std::string& reason) {
  if (MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING)) return true;
  reason = system_reason(GetLastError());
  return false;
}

void remove_file(const char* path) { DeleteFileA(path); }
