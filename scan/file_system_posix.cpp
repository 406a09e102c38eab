// The file system on POSIX systems, answering as the Win32 file search and file functions
// would: backslashes separate folders, patterns ignore ASCII case, a symbolic link counts as
// what it points to, and every folder is listed in one fixed order.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "scan/file_system.h"
#include "scan/names.h"

namespace {

std::string native_path(const char* path) {
  std::string native = path;
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

std::string system_reason(int error_number) { return std::strerror(error_number); }

}  // namespace

void enumerate_entries(void* context, const char* folder, const char* pattern, EntryKind kind,
                       EntryVisitor visitor) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::directory_iterator entries(native_path(folder), error);
  std::vector<std::string> kept;
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    std::string name = entries->path().filename().string();
    if (!matches_pattern(name, pattern)) continue;
    std::error_code status_error;
    bool wanted = kind == EntryKind::directories ? entries->is_directory(status_error)
                                                 : entries->is_regular_file(status_error);
    if (!wanted) continue;
    kept.push_back(std::move(name));
  }
  // Deliver only after the folder is closed: visitors may list other folders.
  entries = fs::directory_iterator();
  std::sort(kept.begin(), kept.end(), listing_order);
  for (const std::string& name : kept) visitor(context, folder, name.c_str());
}

bool is_regular_file(const char* path) {
  struct stat status;
  return stat(native_path(path).c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::FILE* open_regular_file(const char* path, std::string& reason) {
  std::string native = native_path(path);
  struct stat status;
  if (stat(native.c_str(), &status) != 0) {
    reason = system_reason(errno);
    return nullptr;
  }
  if (!S_ISREG(status.st_mode)) {
    reason = S_ISDIR(status.st_mode) ? "is a folder" : "not a regular file";
    return nullptr;
  }
  // Non-blocking, and checked again once open: the name may have been replaced meanwhile.
  int descriptor = open(native.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) {
    reason = system_reason(errno);
    return nullptr;
  }
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    reason = "not a regular file";
    close(descriptor);
    return nullptr;
  }
  std::FILE* stream = fdopen(descriptor, "rb");
  if (stream == nullptr) {
    reason = system_reason(errno);
    close(descriptor);
  }
  return stream;
}

std::FILE* create_file(const char* path, std::string& reason) {
  std::string native = native_path(path);
  // A stale file of this name may be a link or a pipe left by someone else: never write
  // through it, start afresh.
  unlink(native.c_str());
  int descriptor = open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (descriptor < 0) {
    reason = system_reason(errno);
    return nullptr;
  }
  std::FILE* stream = fdopen(descriptor, "wb");
  if (stream == nullptr) {
    reason = system_reason(errno);
    close(descriptor);
  }
  return stream;
}

bool replace_file(const char* source, const char* target, std::string& reason) {
  if (std::rename(native_path(source).c_str(), native_path(target).c_str()) == 0) return true;
  reason = system_reason(errno);
  return false;
}

void remove_file(const char* path) { unlink(native_path(path).c_str()); }
