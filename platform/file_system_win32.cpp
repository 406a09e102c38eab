// The file system on Windows, through the system's "A" functions: names arrive and leave in the
// system code page, exactly as the player's side of the world spells them.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shlwapi.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/names.h"

namespace {

std::string system_reason(DWORD error) {
  // A call that failed without saying why has still failed.
  if (error == ERROR_SUCCESS) return std::strerror(EIO);
  char text[512];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                error, 0, text, sizeof text, nullptr);
  while (length > 0 &&
         (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == '.'))
    --length;
  if (length == 0) return "error " + std::to_string(error);
  return std::string(text, length);
}

std::string last_reason() { return system_reason(GetLastError()); }

// Errors that say a path leads nowhere, rather than that the system could not tell.
bool leads_nowhere(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_INVALID_NAME || error == ERROR_BAD_PATHNAME ||
         error == ERROR_FILENAME_EXCED_RANGE || error == ERROR_DIRECTORY;
}

// Reserved names such as CON, nul.mp3 or COM1.mp3 name devices in every folder, and the system
// gives them the attributes of an ordinary file; only their full path, \\.\NAME, gives them away.
// Returns the error when the full path cannot be had, else ERROR_SUCCESS.
DWORD find_device(const char* path, bool& device) {
  DWORD size = GetFullPathNameA(path, 0, nullptr, nullptr);
  if (size == 0) return GetLastError();
  std::string full_path(size, '\0');
  DWORD length = GetFullPathNameA(path, size, full_path.data(), nullptr);
  if (length == 0 || length >= size) return GetLastError();
  device = full_path.starts_with("\\\\.\\");
  return ERROR_SUCCESS;
}

// Temporary files created and not yet put in place or removed: what an interruption removes.
// The console's handler runs on a thread of its own; the lock keeps it from seeing the list
// half changed, and the program from renaming a file the handler is removing.
class FilesInFlight {
 public:
  FilesInFlight() { InitializeCriticalSection(&lock_); }
  ~FilesInFlight() { DeleteCriticalSection(&lock_); }
  FilesInFlight(const FilesInFlight&) = delete;
  FilesInFlight& operator=(const FilesInFlight&) = delete;

  class Locked {
   public:
    explicit Locked(FilesInFlight& files) : files_(files) { EnterCriticalSection(&files_.lock_); }
    ~Locked() { LeaveCriticalSection(&files_.lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

   private:
    FilesInFlight& files_;
  };

  void add(const char* path) { paths_.emplace_back(path); }
  void forget(const char* path) {
    auto found = std::find(paths_.begin(), paths_.end(), path);
    if (found != paths_.end()) paths_.erase(found);
  }
  // Removes them all and ends the program, holding the lock to the end.
  [[noreturn]] void remove_all_and_end() {
    EnterCriticalSection(&lock_);
    // Created with FILE_SHARE_DELETE: one still open goes when the process closes it.
    for (const std::string& path : paths_) DeleteFileA(path.c_str());
    TerminateProcess(GetCurrentProcess(), 130);
    ExitProcess(130);
  }

 private:
  CRITICAL_SECTION lock_;
  std::vector<std::string> paths_;
};

FilesInFlight& files_in_flight() {
  static FilesInFlight files;
  return files;
}

BOOL WINAPI end_on_interruption(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      files_in_flight().remove_all_and_end();
    default:
      return FALSE;
  }
}

class Win32ReadableFile : public ReadableFile {
 public:
  explicit Win32ReadableFile(HANDLE file) : file_(file) {}
  ~Win32ReadableFile() override { CloseHandle(file_); }
  Win32ReadableFile(const Win32ReadableFile&) = delete;
  Win32ReadableFile& operator=(const Win32ReadableFile&) = delete;

  bool read(char* buffer, std::size_t size, std::size_t& count, std::string& reason) override {
    count = 0;
    while (count < size) {
      DWORD got = 0;
      DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size - count, 1 << 30));
      if (!ReadFile(file_, buffer + count, wanted, &got, nullptr)) {
        reason = last_reason();
        return false;
      }
      if (got == 0) break;
      count += got;
    }
    return true;
  }

 private:
  HANDLE file_;
};

class Win32WritableFile : public WritableFile {
 public:
  explicit Win32WritableFile(HANDLE file) : file_(file) {}
  ~Win32WritableFile() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }
  Win32WritableFile(const Win32WritableFile&) = delete;
  Win32WritableFile& operator=(const Win32WritableFile&) = delete;

  bool append(std::string_view data, std::string& reason) override {
    while (!data.empty()) {
      DWORD written = 0;
      DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1 << 30));
      SetLastError(ERROR_SUCCESS);
      if (!WriteFile(file_, data.data(), wanted, &written, nullptr) || written == 0) {
        reason = last_reason();
        return false;
      }
      data.remove_prefix(written);
    }
    return true;
  }

  // The data goes to the device now: Windows has no call that flushes a whole volume for a
  // program without administrator rights.
  bool close(std::string& reason) override {
    HANDLE file = std::exchange(file_, INVALID_HANDLE_VALUE);
    bool flushed = FlushFileBuffers(file);
    if (!flushed) reason = last_reason();
    if (!CloseHandle(file) && flushed) {
      reason = last_reason();
      return false;
    }
    return flushed;
  }

 private:
  HANDLE file_;
};

// Shared for deletion, so that an interruption can remove the file while it is open.
HANDLE create_new(const char* path) {
  return CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Removes what is in the way of creating path, which failed with error: a file, read-only or
// not. Anything else, or nothing there, is a failure of its own.
bool remove_stale(const char* path, DWORD error, std::string& reason) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    reason = system_reason(error);
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    reason = "is a folder";
    return false;
  }
  if (((attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
       !SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY)) ||
      !DeleteFileA(path)) {
    reason = last_reason();
    return false;
  }
  return true;
}

class Win32FileSystem : public FileSystem {
 public:
  bool enumerate_entries(void* context, const char* folder, const char* pattern, EntryKind kind,
                         EntryVisitor visitor, std::string& reason) override {
    char search[264];
    int length = std::snprintf(search, sizeof search, "%s\\%s", folder, pattern);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof search) {
      reason = "path longer than 263 characters";
      return false;
    }
    WIN32_FIND_DATAA entry;
    HANDLE search_handle = FindFirstFileA(search, &entry);
    if (search_handle == INVALID_HANDLE_VALUE) {
      // The folder is there, but nothing in it matches.
      DWORD error = GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return true;
      reason = system_reason(error);
      return false;
    }
    do {
      bool directory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (directory != (kind == EntryKind::directories)) continue;
      if (std::strcmp(entry.cFileName, ".") == 0 || std::strcmp(entry.cFileName, "..") == 0)
        continue;
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
    DWORD error = GetLastError();
    FindClose(search_handle);
    if (error == ERROR_NO_MORE_FILES) return true;
    reason = system_reason(error);
    return false;
  }

  bool status_of(const char* path, FileStatus& status, std::string& reason) override {
    using Kind = FileStatus::Kind;
    status = {};
    bool device = false;
    DWORD error = find_device(path, device);
    if (device) {
      status.kind = Kind::other;
      return true;
    }
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if (error == ERROR_SUCCESS) {
      attributes = GetFileAttributesA(path);
      if (attributes == INVALID_FILE_ATTRIBUTES) error = GetLastError();
    }
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      if (leads_nowhere(error)) return true;
      reason = system_reason(error);
      return false;
    }
    status.kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Kind::folder : Kind::regular_file;
    status.read_only =
        status.kind == Kind::regular_file && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    return true;
  }

  std::unique_ptr<ReadableFile> open_file(const char* path, std::string& reason) override {
    FileStatus status;
    if (!status_of(path, status, reason)) return nullptr;
    if (status.kind != FileStatus::Kind::regular_file) {
      reason = status.kind == FileStatus::Kind::missing  ? system_reason(ERROR_FILE_NOT_FOUND)
               : status.kind == FileStatus::Kind::folder ? "is a folder"
                                                         : "names a device";
      return nullptr;
    }
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      reason = last_reason();
      return nullptr;
    }
    // Checked again once open: the name may have been replaced meanwhile, or be a link to a
    // device.
    if (GetFileType(file) != FILE_TYPE_DISK) {
      reason = "not a regular file";
      CloseHandle(file);
      return nullptr;
    }
    return std::make_unique<Win32ReadableFile>(file);
  }

  std::unique_ptr<WritableFile> create_file(const char* path, std::string& reason) override {
    FilesInFlight::Locked locked(files_in_flight());
    // A stale file of this name is never written through: it goes first, read-only or not.
    // Rarely there: removed only when found in the way. Created through the "A" function like
    // every other name here, so a path Windows cannot take fails now, not when the finished
    // file is to be put in place.
    HANDLE file = create_new(path);
    DWORD error = GetLastError();
    if (file == INVALID_HANDLE_VALUE &&
        (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
         error == ERROR_ACCESS_DENIED)) {
      if (!remove_stale(path, error, reason)) return nullptr;
      file = create_new(path);
    }
    if (file == INVALID_HANDLE_VALUE) {
      reason = last_reason();
      return nullptr;
    }
    files_in_flight().add(path);
    return std::make_unique<Win32WritableFile>(file);
  }

  // Every file was flushed when it was closed, and every replacement written through.
  bool sync(std::string& /*reason*/) override { return true; }

  bool replace_file(const char* source, const char* target, std::string& reason) override {
    FilesInFlight::Locked locked(files_in_flight());
    if (!MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      reason = last_reason();
      return false;
    }
    files_in_flight().forget(source);
    return true;
  }

  bool remove_file(const char* path, std::string& reason) override {
    FilesInFlight::Locked locked(files_in_flight());
    if (!DeleteFileA(path)) {
      DWORD error = GetLastError();
      if (!leads_nowhere(error)) {
        reason = system_reason(error);
        return false;
      }
    }
    files_in_flight().forget(path);
    return true;
  }

  bool identify_folder(const char* path, FolderIdentity& identity, std::string& reason) override {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      reason = last_reason();
      return false;
    }
    // Opened as the folder it leads to, for the identity of what a junction points to.
    HANDLE folder = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) {
      reason = last_reason();
      return false;
    }
    BY_HANDLE_FILE_INFORMATION information;
    bool known = GetFileInformationByHandle(folder, &information);
    if (!known) reason = last_reason();
    CloseHandle(folder);
    if (!known) return false;
    identity = {information.dwVolumeSerialNumber,
                (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow,
                (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0};
    return true;
  }

  bool change_working_folder(const char* path, std::string& reason) override {
    if (SetCurrentDirectoryA(path)) return true;
    reason = last_reason();
    return false;
  }
};

// True when descriptor has a handle that works: a closed standard stream has none, or one that
// names nothing.
bool usable(int descriptor) {
  intptr_t handle = _get_osfhandle(descriptor);
  if (handle < 0) return false;
  SetLastError(ERROR_SUCCESS);
  return GetFileType(reinterpret_cast<HANDLE>(handle)) != FILE_TYPE_UNKNOWN ||
         GetLastError() == ERROR_SUCCESS;
}

}  // namespace

FileSystem& native_file_system() {
  static Win32FileSystem instance;
  return instance;
}

bool prepare_process(std::string& reason) {
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (usable(descriptor)) continue;
    int null = _open("NUL", descriptor == 0 ? _O_RDONLY : _O_WRONLY);
    if (null < 0 || (null != descriptor && _dup2(null, descriptor) != 0)) {
      reason = std::string("cannot open NUL: ") + std::strerror(errno);
      return false;
    }
    if (null != descriptor) _close(null);
  }
  files_in_flight();
  if (!SetConsoleCtrlHandler(end_on_interruption, TRUE)) {
    reason = "cannot handle Ctrl-C: " + last_reason();
    return false;
  }
  return true;
}

void reset_platform_state() {
  reset_code_page();
  reset_console();
}
