// The device on Windows, through the system's UTF-16 ("W") functions: device paths, UTF-8 with
// "/" between names, reach the system as \\?\ and their absolute form, and names come back as
// UTF-8. Folders are listed in the file system's own order, which on a player's FAT file system
// is the player's.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/device.h"
#include "platform/mutex.h"
#include "platform/paths_win32.h"
#include "platform/text_win32.h"

namespace {

DeviceError error_of(DWORD error_number) {
  DeviceError error;
  error.reason = system_reason(error_number);
  // Errors that say a path leads nowhere, rather than that the system could not tell.
  if (error_number == ERROR_FILE_NOT_FOUND || error_number == ERROR_PATH_NOT_FOUND ||
      error_number == ERROR_INVALID_NAME || error_number == ERROR_BAD_PATHNAME ||
      error_number == ERROR_FILENAME_EXCED_RANGE || error_number == ERROR_DIRECTORY)
    error.kind = DeviceError::Kind::missing;
  else if (error_number == ERROR_FILE_EXISTS || error_number == ERROR_ALREADY_EXISTS)
    error.kind = DeviceError::Kind::exists;
  else if (error_number == ERROR_SHARING_VIOLATION)
    error.kind = DeviceError::Kind::busy;
  return error;
}

DeviceError last_error() { return error_of(GetLastError()); }

DeviceError refusal(std::string reason) { return {DeviceError::Kind::other, std::move(reason)}; }

// A path of names the program listed, exactly as the file system holds them.
std::wstring exact_path(const std::string& path) {
  return long_path(utf8_to_wide(path.empty() ? "." : path));
}

bool names_device(std::wstring_view full_path) {
  return full_path.starts_with(L"\\\\.\\") && !full_path.starts_with(L"\\\\.\\pipe\\");
}

class Win32ReadableFile : public ReadableFile {
 public:
  Win32ReadableFile(HANDLE file, bool read_only) : file_(file), read_only_(read_only) {}
  ~Win32ReadableFile() override { CloseHandle(file_); }
  Win32ReadableFile(const Win32ReadableFile&) = delete;
  Win32ReadableFile& operator=(const Win32ReadableFile&) = delete;

  bool read(char* buffer, std::size_t size, std::size_t& count, DeviceError& error) override {
    count = 0;
    while (count < size) {
      DWORD got = 0;
      DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size - count, 1 << 30));
      if (!ReadFile(file_, buffer + count, wanted, &got, nullptr)) {
        // The end of a pipe, as the writer closes it.
        if (GetLastError() == ERROR_BROKEN_PIPE) break;
        error = last_error();
        return false;
      }
      if (got == 0) break;
      count += got;
    }
    return true;
  }

  bool read_only() const override { return read_only_; }

 private:
  HANDLE file_;
  bool read_only_;
};

class Win32WritableFile : public WritableFile {
 public:
  explicit Win32WritableFile(HANDLE file) : file_(file) {}
  ~Win32WritableFile() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }
  Win32WritableFile(const Win32WritableFile&) = delete;
  Win32WritableFile& operator=(const Win32WritableFile&) = delete;

  bool append(std::string_view data, DeviceError& error) override {
    while (!data.empty()) {
      DWORD written = 0;
      DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1 << 30));
      SetLastError(ERROR_SUCCESS);
      if (!WriteFile(file_, data.data(), wanted, &written, nullptr) || written == 0) {
        error = last_error();
        return false;
      }
      data.remove_prefix(written);
    }
    return true;
  }

  // The data goes to the device now: Windows has no call that flushes a whole volume for a
  // program without administrator rights.
  bool close(DeviceError& error) override {
    HANDLE file = std::exchange(file_, INVALID_HANDLE_VALUE);
    bool flushed = FlushFileBuffers(file);
    if (!flushed) error = last_error();
    if (!CloseHandle(file) && flushed) {
      error = last_error();
      return false;
    }
    return flushed;
  }

 private:
  HANDLE file_;
};

class Win32Lock : public FolderLock {
 public:
  explicit Win32Lock(HANDLE file) : file_(file) {}
  ~Win32Lock() override { CloseHandle(file_); }
  Win32Lock(const Win32Lock&) = delete;
  Win32Lock& operator=(const Win32Lock&) = delete;

 private:
  HANDLE file_;
};

// Opens a file for reading that is known to be no device; refuses it when it turns out to be
// one, or not of the types wanted.
std::unique_ptr<ReadableFile> open_reading(const std::wstring& path, bool pipes_too,
                                           DeviceError& error) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    error = refusal("is a folder");
    return nullptr;
  }
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = last_error();
    return nullptr;
  }
  // Checked again once open: the name may have been replaced meanwhile, or be a link to a
  // device.
  DWORD type = GetFileType(file);
  if (type != FILE_TYPE_DISK && !(pipes_too && type == FILE_TYPE_PIPE)) {
    error = refusal(type == FILE_TYPE_CHAR ? "names a device" : "not a regular file");
    CloseHandle(file);
    return nullptr;
  }
  bool read_only =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  return std::make_unique<Win32ReadableFile>(file, read_only);
}

// Shared for deletion, so that an interruption can remove the file while it is open.
HANDLE create_new(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The folders the run has listed or identified, held open to the end of the run without sharing
// their deletion: no one can rename or remove them meanwhile, nor put a junction in their place,
// so that a folder's path names the folder that was looked at and nothing is written elsewhere.
// A junction is held itself, and so is the folder it leads to. Any thread may hold one.
class HeldFolders {
 public:
  HeldFolders() = default;
  ~HeldFolders() { release(); }
  HeldFolders(const HeldFolders&) = delete;
  HeldFolders& operator=(const HeldFolders&) = delete;

  void hold(const std::string& folder) {
    MutexLock lock(mutex_);
    if (!held_.insert(folder).second) return;
    std::wstring path = exact_path(folder);
    for (DWORD following : {DWORD{FILE_FLAG_OPEN_REPARSE_POINT}, DWORD{0}}) {
      HANDLE handle =
          CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | following, nullptr);
      if (handle == INVALID_HANDLE_VALUE) return;
      handles_.push_back(handle);
      BY_HANDLE_FILE_INFORMATION information;
      if (!GetFileInformationByHandle(handle, &information) ||
          (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return;
    }
  }

  // After the working folder changed, paths name other folders.
  void release() {
    MutexLock lock(mutex_);
    for (HANDLE handle : handles_) CloseHandle(handle);
    handles_.clear();
    held_.clear();
  }

 private:
  Mutex mutex_;
  std::unordered_set<std::string> held_ GUARDED_BY(mutex_);
  std::vector<HANDLE> handles_ GUARDED_BY(mutex_);
};

class Win32Device : public Device {
 public:
  bool list(const std::string& folder, DeviceListing& listing, DeviceError& error) override {
    held_.hold(folder);
    listing = {};
    listing.in_player_order = true;
    std::wstring search = exact_path(folder);
    if (!search.ends_with(L'\\')) search += L'\\';
    search += L'*';
    WIN32_FIND_DATAW entry;
    // No short names are made up for a listing nobody reads them in, and entries come in large
    // batches; Vista knows neither, and is listed the old way.
    HANDLE search_handle =
        FindFirstFileExW(search.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                         FIND_FIRST_EX_LARGE_FETCH);
    if (search_handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER)
      search_handle = FindFirstFileW(search.c_str(), &entry);
    if (search_handle == INVALID_HANDLE_VALUE) {
      // The folder is there, but holds nothing: a root has no "." and "..".
      DWORD failure = GetLastError();
      if (failure == ERROR_FILE_NOT_FOUND || failure == ERROR_NO_MORE_FILES) return true;
      error = error_of(failure);
      return false;
    }
    do {
      std::wstring_view name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      DWORD attributes = entry.dwFileAttributes;
      bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      constexpr DWORD kSystemsOwn = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
      listing.add(wide_to_utf8(name), directory ? EntryType::folder : EntryType::file,
                  (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
                  (attributes & kSystemsOwn) == kSystemsOwn);
    } while (FindNextFileW(search_handle, &entry));
    DWORD failure = GetLastError();
    FindClose(search_handle);
    if (failure == ERROR_NO_MORE_FILES) return true;
    error = error_of(failure);
    return false;
  }

  std::unique_ptr<ReadableFile> open(const std::string& path, DeviceError& error) override {
    return open_reading(exact_path(path), false, error);
  }

  std::unique_ptr<WritableFile> create(const std::string& path, DeviceError& error) override {
    std::wstring full = exact_path(path);
    HANDLE file = create_new(full);
    if (file == INVALID_HANDLE_VALUE) {
      error = last_error();
      // A read-only file or a folder in the way is refused as access denied.
      if (error.kind == DeviceError::Kind::other &&
          GetFileAttributesW(full.c_str()) != INVALID_FILE_ATTRIBUTES)
        error.kind = DeviceError::Kind::exists;
      return nullptr;
    }
    return std::make_unique<Win32WritableFile>(file);
  }

  // Every file was flushed when it was closed. What is left is the folders' own entries, which a
  // rename changes: each folder named is flushed through a handle of its own, which FAT, exFAT
  // and NTFS carry out by writing the folder's entries to the device.
  bool sync(const std::vector<std::string>& paths, DeviceError& error) override {
    std::vector<std::string> folders;
    for (const std::string& path : paths) {
      std::size_t separator = path.rfind('/');
      std::string folder = separator == std::string::npos ? "." : path.substr(0, separator);
      if (std::find(folders.begin(), folders.end(), folder) == folders.end())
        folders.push_back(folder);
    }
    for (const std::string& folder : folders) {
      HANDLE handle = CreateFileW(exact_path(folder).c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
      bool flushed = handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle);
      if (!flushed) error = last_error();
      if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
      if (!flushed) return false;
    }
    return true;
  }

  bool rename(const std::string& from, const std::string& to, DeviceError& error) override {
    if (MoveFileExW(exact_path(from).c_str(), exact_path(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    error = last_error();
    return false;
  }

  // Read-only or not: DeleteFileW refuses a read-only file, whose attribute goes first.
  bool remove(const std::string& path, DeviceError& error) override {
    std::wstring full = exact_path(path);
    DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      error = last_error();
      return error.kind == DeviceError::Kind::missing;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      error = refusal("is a folder");
      return false;
    }
    if (((attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
         !SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL)) ||
        !DeleteFileW(full.c_str())) {
      error = last_error();
      return error.kind == DeviceError::Kind::missing;
    }
    return true;
  }

  bool identify(const std::string& folder, FolderIdentity& identity, DeviceError& error) override {
    held_.hold(folder);
    // Opened as the folder it leads to, for the identity of what a junction points to.
    HANDLE handle = CreateFileW(exact_path(folder).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      error = last_error();
      return false;
    }
    BY_HANDLE_FILE_INFORMATION information;
    bool known = GetFileInformationByHandle(handle, &information);
    if (!known) error = last_error();
    CloseHandle(handle);
    if (!known) return false;
    identity = {information.dwVolumeSerialNumber,
                (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
    return true;
  }

  // A folder cannot be locked against another run without locking out Explorer too: a file of
  // the program's own, open to no one else, is the lock. It goes when the process ends, however
  // it ends.
  std::unique_ptr<FolderLock> lock(DeviceError& error) override {
    HANDLE file =
        CreateFileW(exact_path(std::string(kPlaylistName) + std::string(kLockSuffix)).c_str(),
                    GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      error = last_error();
      return nullptr;
    }
    return std::make_unique<Win32Lock>(file);
  }

  bool change_working_folder(const std::string& given, DeviceError& error) override {
    std::wstring wide = utf8_to_wide(given);
    // "E:\My Music\" as a batch file or a launcher passes it: the C library reads the \" before
    // the closing quote as a quote of the name.
    if (wide.ends_with(L'"')) wide.pop_back();
    if (!SetCurrentDirectoryW(wide.c_str())) {
      error = last_error();
      return false;
    }
    held_.release();
    return true;
  }

  std::string working_folder() override { return wide_to_utf8(current_folder()); }

  std::unique_ptr<ReadableFile> open_given(const std::string& given, DeviceError& error) override {
    if (given == "-") {
      HANDLE input = nullptr;
      if (!DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_INPUT_HANDLE), GetCurrentProcess(),
                           &input, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        error = last_error();
        return nullptr;
      }
      return std::make_unique<Win32ReadableFile>(input, false);
    }
    std::wstring full;
    DWORD failure = ERROR_SUCCESS;
    if (!full_path_of(utf8_to_wide(given), full, failure)) {
      error = error_of(failure);
      return nullptr;
    }
    // CON would wait for the keyboard, NUL pass for an empty playlist: neither is opened.
    if (names_device(full)) {
      error = refusal("names a device");
      return nullptr;
    }
    return open_reading(long_path(full), true, error);
  }

  std::string absolute_path(const std::string& given) override {
    std::wstring full;
    DWORD failure = ERROR_SUCCESS;
    if (!full_path_of(utf8_to_wide(given), full, failure)) return given;
    return wide_to_utf8(full);
  }

 private:
  HeldFolders held_;
};

}  // namespace

std::unique_ptr<Device> make_native_device() { return std::make_unique<Win32Device>(); }
