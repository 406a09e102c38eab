// The file system on Windows, through the system's UTF-16 ("W") functions. Names are converted
// to and from the player's code page here, exactly as the POSIX layer converts from UTF-8: a name
// with no exact spelling in the code page is skipped, never replaced by a look-alike. Every path
// reaches the system as \\?\ and its absolute form, so that neither MAX_PATH nor a name ending in
// a dot or a blank gets in the way.
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
#include <string_view>
#include <utility>
#include <vector>

#include "platform/code_page.h"
#include "platform/code_page_win32.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/names.h"
#include "platform/process.h"

namespace {

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

std::string last_reason() { return system_reason(GetLastError()); }

// Errors that say a path leads nowhere, rather than that the system could not tell.
bool leads_nowhere(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_INVALID_NAME || error == ERROR_BAD_PATHNAME ||
         error == ERROR_FILENAME_EXCED_RANGE || error == ERROR_DIRECTORY;
}

bool is_separator(wchar_t character) { return character == L'\\' || character == L'/'; }

std::wstring current_folder() {
  DWORD size = GetCurrentDirectoryW(0, nullptr);
  std::wstring current(size, L'\0');
  current.resize(GetCurrentDirectoryW(size, current.data()));
  return current;
}

// A path resolved as Windows resolves any path it is given: "." and "..", trailing dots and
// blanks. A reserved name (CON, nul.mp3 up to Windows 10) comes back as \\.\NAME.
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

// The path with \\?\ before its absolute form. "." and ".." parts are resolved as text, the
// working folder's and the ones a caller climbs with; nothing else is changed, for a name the
// program listed is exactly what the file system holds.
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

// A path the program made of names it listed.
std::wstring exact_path(const char* path) { return long_path(code_page_to_wide(path)); }

bool names_device(std::wstring_view full_path) {
  return full_path.starts_with(L"\\\\.\\") && !full_path.starts_with(L"\\\\.\\pipe\\");
}

bool status_at(const std::wstring& path, FileStatus& status, std::string& reason) {
  using Kind = FileStatus::Kind;
  status = {};
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    if (leads_nowhere(error)) return true;
    reason = system_reason(error);
    return false;
  }
  status.kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Kind::folder : Kind::regular_file;
  status.read_only =
      status.kind == Kind::regular_file && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  return true;
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

  void add(const std::wstring& path) { paths_.push_back(path); }
  void forget(const std::wstring& path) {
    auto found = std::find(paths_.begin(), paths_.end(), path);
    if (found != paths_.end()) paths_.erase(found);
  }
  // Removes them all and ends the program, holding the lock to the end.
  [[noreturn]] void remove_all_and_end() {
    EnterCriticalSection(&lock_);
    // Created with FILE_SHARE_DELETE: one still open goes when the process closes it.
    for (const std::wstring& path : paths_) DeleteFileW(path.c_str());
    TerminateProcess(GetCurrentProcess(), 130);
    ExitProcess(130);
  }

 private:
  CRITICAL_SECTION lock_;
  std::vector<std::wstring> paths_;
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
        // The end of a pipe, as the writer closes it.
        if (GetLastError() == ERROR_BROKEN_PIPE) break;
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
HANDLE create_new(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Removes a file of the program's own, read-only or not (DeleteFileW refuses a read-only one).
// Nothing there is no failure; a folder is.
bool remove_own_file(const std::wstring& path, std::string& reason) {
  FileStatus status;
  if (!status_at(path, status, reason)) return false;
  if (status.kind == FileStatus::Kind::missing) return true;
  if (status.kind == FileStatus::Kind::folder) {
    reason = "is a folder";
    return false;
  }
  if ((status.read_only && !SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL)) ||
      !DeleteFileW(path.c_str())) {
    DWORD error = GetLastError();
    if (leads_nowhere(error)) return true;
    reason = system_reason(error);
    return false;
  }
  return true;
}

// Opens a file for reading that is known to be no device; refuses it when it turns out to be
// one, or not of the types wanted.
std::unique_ptr<ReadableFile> open_reading(const std::wstring& path, bool pipes_too,
                                           std::string& reason) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    reason = last_reason();
    return nullptr;
  }
  // Checked again once open: the name may have been replaced meanwhile, or be a link to a
  // device.
  DWORD type = GetFileType(file);
  if (type != FILE_TYPE_DISK && !(pipes_too && type == FILE_TYPE_PIPE)) {
    reason = type == FILE_TYPE_CHAR ? "names a device" : "not a regular file";
    CloseHandle(file);
    return nullptr;
  }
  return std::make_unique<Win32ReadableFile>(file);
}

class Win32FileSystem : public FileSystem {
 public:
  bool enumerate_entries(void* context, const char* folder, const char* pattern, EntryKind kind,
                         EntryVisitor visitor, std::string& reason) override {
    std::wstring search = exact_path(folder);
    if (!search.ends_with(L'\\')) search += L'\\';
    search += L'*';
    std::wstring wide_pattern = utf8_to_wide(pattern);
    WIN32_FIND_DATAW entry;
    HANDLE search_handle = FindFirstFileW(search.c_str(), &entry);
    if (search_handle == INVALID_HANDLE_VALUE) {
      // The folder is there, but holds nothing: a root has no "." and "..".
      DWORD error = GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return true;
      reason = system_reason(error);
      return false;
    }
    std::string text;
    do {
      bool directory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      std::wstring_view name = entry.cFileName;
      if (directory != (kind == EntryKind::directories) || name == L"." || name == L"..") continue;
      // Matched against the long name alone, which is all the player sees.
      if (!PathMatchSpecW(entry.cFileName, wide_pattern.c_str())) continue;
      bool spelled = wide_to_code_page(name, text);
      if (is_usable_name(folder, wide_to_utf8(name), spelled ? text.c_str() : nullptr))
        visitor(context, folder, text.c_str());
    } while (FindNextFileW(search_handle, &entry));
    DWORD error = GetLastError();
    FindClose(search_handle);
    if (error == ERROR_NO_MORE_FILES) return true;
    reason = system_reason(error);
    return false;
  }

  bool status_of(const char* path, FileStatus& status, std::string& reason) override {
    return status_at(exact_path(path), status, reason);
  }

  bool look_up(const char* path, FileStatus& status, std::string& reason) override {
    // A separator after the last name: no file is there.
    std::string_view text = path;
    if (!text.empty() && (text.back() == '\\' || text.back() == '/')) {
      status = {};
      return true;
    }
    std::wstring resolved;
    DWORD error = ERROR_SUCCESS;
    // A path a user wrote is resolved as Windows resolves it.
    if (!full_path_of(code_page_to_wide(path), resolved, error)) {
      status = {};
      if (leads_nowhere(error)) return true;
      reason = system_reason(error);
      return false;
    }
    // Reserved names are devices in every folder, and the system gives them the attributes of
    // an ordinary file; only their full path gives them away.
    if (names_device(resolved)) {
      status = {FileStatus::Kind::other, false};
      return true;
    }
    return status_at(long_path(resolved), status, reason);
  }

  std::unique_ptr<ReadableFile> open_file(const char* path, std::string& reason) override {
    std::wstring full = exact_path(path);
    FileStatus status;
    if (!status_at(full, status, reason)) return nullptr;
    if (status.kind != FileStatus::Kind::regular_file) {
      reason = status.kind == FileStatus::Kind::folder ? "is a folder"
                                                       : system_reason(ERROR_FILE_NOT_FOUND);
      return nullptr;
    }
    return open_reading(full, false, reason);
  }

  std::unique_ptr<ReadableFile> open_given_file(const char* path, std::string& reason) override {
    if (std::strcmp(path, "-") == 0) {
      HANDLE input = nullptr;
      if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_INPUT_HANDLE), GetCurrentProcess(),
                           &input, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        reason = last_reason();
        return nullptr;
      }
      return std::make_unique<Win32ReadableFile>(input);
    }
    std::wstring full;
    DWORD error = ERROR_SUCCESS;
    if (!full_path_of(utf8_to_wide(path), full, error)) {
      reason = system_reason(error);
      return nullptr;
    }
    // CON would wait for the keyboard, NUL pass for an empty playlist: neither is opened.
    if (names_device(full)) {
      reason = "names a device";
      return nullptr;
    }
    std::wstring target = long_path(full);
    DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      reason = "is a folder";
      return nullptr;
    }
    return open_reading(target, true, reason);
  }

  std::unique_ptr<WritableFile> create_file(const char* path, std::string& reason) override {
    std::wstring full = exact_path(path);
    FilesInFlight::Locked locked(files_in_flight());
    // A stale file of this name is never written through: it goes first, read-only or not.
    // Rarely there: removed only when found in the way.
    HANDLE file = create_new(full);
    DWORD error = GetLastError();
    if (file == INVALID_HANDLE_VALUE &&
        (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
         error == ERROR_ACCESS_DENIED)) {
      // Nothing there: the folder itself refused.
      if (GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES) {
        reason = system_reason(error);
        return nullptr;
      }
      if (!remove_own_file(full, reason)) return nullptr;
      file = create_new(full);
    }
    if (file == INVALID_HANDLE_VALUE) {
      reason = last_reason();
      return nullptr;
    }
    files_in_flight().add(full);
    return std::make_unique<Win32WritableFile>(file);
  }

  // Every file was flushed when it was closed, and every replacement written through.
  bool sync(std::string& /*reason*/) override { return true; }

  bool replace_file(const char* source, const char* target, std::string& reason) override {
    std::wstring full_source = exact_path(source);
    FilesInFlight::Locked locked(files_in_flight());
    if (!MoveFileExW(full_source.c_str(), exact_path(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      reason = last_reason();
      return false;
    }
    files_in_flight().forget(full_source);
    return true;
  }

  bool remove_file(const char* path, std::string& reason) override {
    std::wstring full = exact_path(path);
    FilesInFlight::Locked locked(files_in_flight());
    if (!remove_own_file(full, reason)) return false;
    files_in_flight().forget(full);
    return true;
  }

  bool identify_folder(const char* path, FolderIdentity& identity, std::string& reason) override {
    std::wstring full = exact_path(path);
    DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      reason = last_reason();
      return false;
    }
    // Opened as the folder it leads to, for the identity of what a junction points to.
    HANDLE folder =
        CreateFileW(full.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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

  std::string absolute_path(const char* path) override {
    std::wstring full;
    DWORD error = ERROR_SUCCESS;
    if (!full_path_of(utf8_to_wide(path), full, error)) return path;
    return wide_to_utf8(full);
  }

  bool change_working_folder(const char* path, std::string& reason) override {
    std::wstring wide = utf8_to_wide(path);
    // "E:\My Music\" as a batch file or a launcher passes it: the C library reads the \" before
    // the closing quote as a quote of the name.
    if (wide.ends_with(L'"')) wide.pop_back();
    if (SetCurrentDirectoryW(wide.c_str())) return true;
    reason = last_reason();
    return false;
  }

  std::string working_folder_shown() override { return wide_to_utf8(current_folder()); }
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
