// The device on POSIX systems: names are bytes as the file system holds them, paths are device
// paths as they are ("/" already separates folders), and a symbolic link counts as what it
// leads to.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/device.h"
#include "platform/mutex.h"

namespace {

// The system's explanation of an error, from any thread: strerror_r, in its GNU form, may give a
// text of its own rather than fill the buffer; in its XSI form it fills it.
[[maybe_unused]] const char* text_of(int result, const char* buffer) {
  return result == 0 ? buffer : "Unknown error";
}
[[maybe_unused]] const char* text_of(const char* result, const char* /*buffer*/) { return result; }

std::string reason_of(int error_number) {
  char buffer[256] = "";
  return text_of(strerror_r(error_number, buffer, sizeof buffer), buffer);
}

DeviceError error_of(int error_number) {
  DeviceError error;
  error.reason = reason_of(error_number);
  // Errors that say a path leads nowhere, rather than that the system could not tell.
  if (error_number == ENOENT || error_number == ENOTDIR || error_number == ELOOP ||
      error_number == ENAMETOOLONG)
    error.kind = DeviceError::Kind::missing;
  else if (error_number == EEXIST)
    error.kind = DeviceError::Kind::exists;
  else if (error_number == EWOULDBLOCK)
    error.kind = DeviceError::Kind::busy;
  return error;
}

DeviceError refusal(std::string reason) { return {DeviceError::Kind::other, std::move(reason)}; }

// A device path as the folder it is in and its last name: "Rock/a.mp3" is "Rock" and "a.mp3".
std::pair<std::string_view, std::string_view> split(const std::string& path) {
  std::size_t separator = path.rfind('/');
  if (separator == std::string::npos) return {".", path};
  return {std::string_view(path).substr(0, separator),
          std::string_view(path).substr(separator + 1)};
}

EntryType type_of_mode(mode_t mode) {
  return S_ISDIR(mode) ? EntryType::folder : S_ISREG(mode) ? EntryType::file : EntryType::other;
}

// The type of what an entry of the folder leads to, and whether it is a link, asking the file
// system only when the listing does not say.
bool type_of(int folder, const char* name, unsigned char listed_type, EntryType& type, bool& linked,
             DeviceError& error) {
  linked = listed_type == DT_LNK;
  type = listed_type == DT_DIR   ? EntryType::folder
         : listed_type == DT_REG ? EntryType::file
                                 : EntryType::other;
  if (listed_type != DT_LNK && listed_type != DT_UNKNOWN) return true;
  struct stat status;
  if (listed_type == DT_UNKNOWN) {
    if (fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
      error = error_of(errno);
      return false;
    }
    linked = S_ISLNK(status.st_mode);
    type = type_of_mode(status.st_mode);
    if (!linked) return true;
  }
  if (fstatat(folder, name, &status, 0) != 0) {
    int failure = errno;
    type = EntryType::other;
    // A link that leads nowhere is no track and no folder.
    if (error_of(failure).kind == DeviceError::Kind::missing) return true;
    error = error_of(failure);
    error.reason = std::string(name) + ": " + error.reason;
    return false;
  }
  type = type_of_mode(status.st_mode);
  return true;
}

class PosixReadableFile : public ReadableFile {
 public:
  PosixReadableFile(int descriptor, bool read_only)
      : descriptor_(descriptor), read_only_(read_only) {}
  ~PosixReadableFile() override { close(descriptor_); }
  PosixReadableFile(const PosixReadableFile&) = delete;
  PosixReadableFile& operator=(const PosixReadableFile&) = delete;

  // Opened only when it is a regular file, which reads short only at its end: no read is spent
  // to learn that there is nothing more.
  bool read(char* buffer, std::size_t size, std::size_t& count, DeviceError& error) override {
    ssize_t result = 0;
    do result = ::read(descriptor_, buffer, size);
    while (result < 0 && errno == EINTR);
    if (result < 0) {
      count = 0;
      error = error_of(errno);
      return false;
    }
    count = static_cast<std::size_t>(result);
    return true;
  }

  bool read_only() const override { return read_only_; }

 private:
  int descriptor_;
  bool read_only_;
};

// A folder the run has looked at, by a descriptor that names the very folder that was listed or
// identified, whatever its name leads to since.
struct FolderHandle {
  int descriptor;
  FolderIdentity identity;
  Mutex listing;                            // one listing at a time reads through the descriptor
  bool listed GUARDED_BY(listing) = false;  // read before: a listing begins again at the top
  FolderHandle(int opened, FolderIdentity looked_at) : descriptor(opened), identity(looked_at) {}
  ~FolderHandle() { close(descriptor); }
  FolderHandle(const FolderHandle&) = delete;
  FolderHandle& operator=(const FolderHandle&) = delete;
};

// The folders the run works in, each opened once and kept while it is in use, so that what is
// read there, made, renamed or removed goes to the folder that was looked at: a folder replaced
// by a link to ".." after it was listed never takes a playlist. A subfolder is opened through its
// folder's descriptor. Of many folders the least recently used are let go; one opened again must
// be the folder first looked at, or it is refused. Any thread may ask.
// How many descriptors the process may have open.
std::size_t max_descriptors() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 4096;
  return limit.rlim_cur;
}

class Folders {
 public:
  // Few descriptors at a time, and never more than a quarter of what the process may hold.
  Folders() : capacity_(std::clamp<std::size_t>(max_descriptors() / 4, 8, 32)) {}

  // The folder at a device path ("" or "." for the working folder, ".." for the one above it).
  std::shared_ptr<FolderHandle> open(std::string_view path, DeviceError& error) {
    std::string_view folder = path.empty() ? "." : path;
    std::shared_ptr<FolderHandle> holding;
    int at = AT_FDCWD;
    std::string_view name = folder;
    {
      MutexLock lock(mutex_);
      if (auto found = known_.find(folder); found != known_.end() && found->second.handle)
        return found->second.handle;
      if (std::size_t separator = folder.rfind('/'); separator != std::string_view::npos) {
        auto parent = known_.find(folder.substr(0, separator));
        if (parent != known_.end() && parent->second.handle) {
          holding = parent->second.handle;
          at = holding->descriptor;
          name = folder.substr(separator + 1);
        }
      }
    }
    int descriptor = openat(at, std::string(name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat status;
    if (descriptor < 0 || fstat(descriptor, &status) != 0) {
      error = error_of(errno);
      if (descriptor >= 0) ::close(descriptor);
      return nullptr;
    }
    auto handle = std::make_shared<FolderHandle>(
        descriptor, FolderIdentity{static_cast<std::uint64_t>(status.st_dev),
                                   static_cast<std::uint64_t>(status.st_ino)});
    // Closed, like handle when it is not kept, once the mutex is let go: a close takes its time.
    std::shared_ptr<FolderHandle> let_go;
    MutexLock lock(mutex_);
    auto [found, first] = known_.try_emplace(std::string(folder), Known{handle->identity, {}});
    Known& known = found->second;
    // Another thread may have opened it meanwhile.
    if (known.handle != nullptr) return known.handle;
    if (!first && !(known.identity == handle->identity)) {
      error = refusal("another folder took its place while eplgen ran");
      return nullptr;
    }
    known.handle = handle;
    kept_.push_back(&known);
    if (kept_.size() > capacity_) {
      let_go = std::move(kept_.front()->handle);
      kept_.pop_front();
    }
    return handle;
  }

  // Forgets every folder: after the working folder changed, their paths name others.
  void forget() {
    MutexLock lock(mutex_);
    kept_.clear();
    known_.clear();
  }

  // The entries of a folder, "." and ".." left out, as the file system lists them.
  bool list(const std::string& folder, DeviceListing& listing, DeviceError& error) {
    listing = {};
    std::shared_ptr<FolderHandle> handle = open(folder, error);
    if (handle == nullptr) return false;
    // Room for an album's worth of entries at once.
    listing.entries.reserve(64);
    listing.names.reserve(2048);
    MutexLock lock(handle->listing);
    if (handle->listed && lseek(handle->descriptor, 0, SEEK_SET) != 0) {
      error = error_of(errno);
      return false;
    }
    handle->listed = true;
    alignas(dirent64) char buffer[32 * 1024];
    for (;;) {
      ssize_t read = getdents64(handle->descriptor, buffer, sizeof buffer);
      if (read < 0 && errno == EINTR) continue;
      // A folder removed meanwhile has no entries left, as readdir says too.
      if (read < 0 && errno == ENOENT) return true;
      if (read < 0) {
        error = error_of(errno);
        return false;
      }
      if (read == 0) return true;
      for (ssize_t at = 0; at < read;) {
        const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
        at += entry->d_reclen;
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        EntryType type = EntryType::other;
        bool linked = false;
        if (!type_of(handle->descriptor, entry->d_name, entry->d_type, type, linked, error))
          return false;
        listing.add(name, type, linked);
      }
    }
  }

 private:
  // A folder opened: as it was first seen, and while it is kept, open.
  struct Known {
    FolderIdentity identity;
    std::shared_ptr<FolderHandle> handle;
  };
  // Paths looked up as they come, without making strings of them.
  struct PathHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view path) const {
      return std::hash<std::string_view>()(path);
    }
  };
  Mutex mutex_;
  // The folders the run works in now and next, with the read-ahead's: keeping more costs more
  // than opening again the few it comes back to.
  const std::size_t capacity_;
  std::unordered_map<std::string, Known, PathHash, std::equal_to<>> known_ GUARDED_BY(mutex_);
  // The folders kept open, the first opened first: a run works through its folders in order.
  std::deque<Known*> kept_ GUARDED_BY(mutex_);
};

// The file systems written to, each with a descriptor kept on it for sync: one syncfs a file
// system writes out everything at once, where an fsync a file would wait for the device once a
// playlist.
class WrittenFileSystems {
 public:
  WrittenFileSystems() = default;
  ~WrittenFileSystems() {
    for (const auto& [device, descriptor] : devices_) close(descriptor);
  }
  WrittenFileSystems(const WrittenFileSystems&) = delete;
  WrittenFileSystems& operator=(const WrittenFileSystems&) = delete;

  // Notes a folder written in (by its device path), and keeps a descriptor on its file system
  // the first time.
  bool note(std::string_view path, const FolderHandle& folder, DeviceError& error) {
    if (path != last_noted_) {
      last_noted_ = path;
      folder_volumes_.emplace(last_noted_, folder.identity.volume);
    }
    for (const auto& [known, kept] : devices_)
      if (known == folder.identity.volume) return true;
    int kept = fcntl(folder.descriptor, F_DUPFD_CLOEXEC, 3);
    if (kept < 0) {
      error = error_of(errno);
      return false;
    }
    devices_.emplace_back(folder.identity.volume, kept);
    return true;
  }

  // The file system of a folder written in, if it is one.
  std::optional<std::uint64_t> volume_of(std::string_view folder) const {
    auto found = folder_volumes_.find(std::string(folder));
    if (found == folder_volumes_.end()) return std::nullopt;
    return found->second;
  }

  // Writes out these file systems.
  bool sync(const std::vector<std::uint64_t>& volumes, DeviceError& error) {
    for (const auto& [device, descriptor] : devices_)
      if (std::find(volumes.begin(), volumes.end(), device) != volumes.end() &&
          syncfs(descriptor) != 0) {
        error = error_of(errno);
        return false;
      }
    return true;
  }

 private:
  std::vector<std::pair<std::uint64_t, int>> devices_;  // a descriptor on each file system
  // Of each folder written in, so that its batch is synced without opening it again.
  std::unordered_map<std::string, std::uint64_t> folder_volumes_;
  std::string last_noted_;  // most files in a row are made in one folder
};

class PosixWritableFile : public WritableFile {
 public:
  explicit PosixWritableFile(int descriptor) : descriptor_(descriptor) {}
  ~PosixWritableFile() override {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  PosixWritableFile(const PosixWritableFile&) = delete;
  PosixWritableFile& operator=(const PosixWritableFile&) = delete;

  bool append(std::string_view data, DeviceError& error) override {
    while (!data.empty()) {
      ssize_t written = write(descriptor_, data.data(), data.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        // A write that takes nothing and names no error is still a failed write.
        error = error_of(written < 0 ? errno : EIO);
        return false;
      }
      data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
  }

  bool close(DeviceError& error) override {
    int descriptor = std::exchange(descriptor_, -1);
    // Linux closes the descriptor even when close is interrupted.
    if (::close(descriptor) != 0 && errno != EINTR) {
      error = error_of(errno);
      return false;
    }
    return true;
  }

 private:
  int descriptor_;
};

class PosixLock : public FolderLock {
 public:
  explicit PosixLock(int descriptor) : descriptor_(descriptor) {}
  ~PosixLock() override { close(descriptor_); }
  PosixLock(const PosixLock&) = delete;
  PosixLock& operator=(const PosixLock&) = delete;

 private:
  int descriptor_;
};

class PosixDevice : public Device {
 public:
  // The descriptor table is made room in for the folders held now, while the process has one
  // thread: grown later, with the read-ahead's thread, the kernel waits for every processor
  // first, milliseconds each time. Where there is no room, it grows as it must.
  PosixDevice() {
    int probe = fcntl(0, F_DUPFD_CLOEXEC, static_cast<int>(max_in_flight_ + 64));
    if (probe >= 0) ::close(probe);
  }
  bool list(const std::string& folder, DeviceListing& listing, DeviceError& error) override {
    return folders_.list(folder, listing, error);
  }

  // Non-blocking, so that a pipe planted under the name never blocks; checked once open, for the
  // name may have been replaced since it was listed.
  std::unique_ptr<ReadableFile> open(const std::string& path, DeviceError& error) override {
    auto [folder, name] = split(path);
    std::shared_ptr<FolderHandle> handle = folder_at(folder, error);
    if (handle == nullptr) return nullptr;
    int descriptor = openat(handle->descriptor, std::string(name).c_str(),
                            O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
      error = error_of(errno);
      return nullptr;
    }
    struct stat status;
    if (fstat(descriptor, &status) != 0) {
      error = error_of(errno);
      ::close(descriptor);
      return nullptr;
    }
    if (!S_ISREG(status.st_mode)) {
      error = refusal(S_ISDIR(status.st_mode) ? "is a folder" : "not a regular file");
      ::close(descriptor);
      return nullptr;
    }
    // A vfat mount shows the read-only attribute as a file no one may write.
    return std::make_unique<PosixReadableFile>(
        descriptor, (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0);
  }

  std::unique_ptr<WritableFile> create(const std::string& path, DeviceError& error) override {
    auto [folder, name] = split(path);
    std::shared_ptr<FolderHandle> handle = folder_at(folder, error);
    if (handle == nullptr || !written_.note(folder, *handle, error)) return nullptr;
    int descriptor = openat(handle->descriptor, std::string(name).c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
      error = error_of(errno);
      return nullptr;
    }
    if (in_flight_.size() < max_in_flight_) in_flight_.emplace(path, std::move(handle));
    return std::make_unique<PosixWritableFile>(descriptor);
  }

  bool sync(const std::vector<std::string>& paths, DeviceError& error) override {
    std::vector<std::uint64_t> volumes;
    for (const std::string& path : paths) {
      std::string_view folder = split(path).first;
      std::optional<std::uint64_t> volume = written_.volume_of(folder);
      if (!volume) {
        std::shared_ptr<FolderHandle> handle = folder_at(folder, error);
        if (handle == nullptr || !written_.note(folder, *handle, error)) return false;
        volume = handle->identity.volume;
      }
      volumes.push_back(*volume);
    }
    return written_.sync(volumes, error);
  }

  bool rename(const std::string& from, const std::string& to, DeviceError& error) override {
    auto [from_folder, from_name] = split(from);
    auto [to_folder, to_name] = split(to);
    std::shared_ptr<FolderHandle> source = made_in(from);
    if (source == nullptr) source = folder_at(from_folder, error);
    std::shared_ptr<FolderHandle> target = source == nullptr          ? nullptr
                                           : to_folder == from_folder ? source
                                                                      : folder_at(to_folder, error);
    if (target == nullptr) return false;
    if (renameat(source->descriptor, std::string(from_name).c_str(), target->descriptor,
                 std::string(to_name).c_str()) == 0)
      return true;
    error = error_of(errno);
    return false;
  }

  bool remove(const std::string& path, DeviceError& error) override {
    auto [folder, name] = split(path);
    std::shared_ptr<FolderHandle> handle = made_in(path);
    if (handle == nullptr) handle = folder_at(folder, error);
    if (handle == nullptr) return false;
    if (unlinkat(handle->descriptor, std::string(name).c_str(), 0) == 0 || errno == ENOENT)
      return true;
    error = error_of(errno);
    return false;
  }

  bool identify(const std::string& folder, FolderIdentity& identity, DeviceError& error) override {
    std::shared_ptr<FolderHandle> handle = folder_at(folder, error);
    if (handle == nullptr) return false;
    identity = handle->identity;
    return true;
  }

  // The folder itself is locked, so that no file is left behind and a read-only medium, where
  // nothing can be written anyway, locks as well. The lock goes with the process.
  std::unique_ptr<FolderLock> lock(DeviceError& error) override {
    int descriptor = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0 || flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
      error = error_of(errno);
      if (descriptor >= 0) ::close(descriptor);
      return nullptr;
    }
    return std::make_unique<PosixLock>(descriptor);
  }

  bool change_working_folder(const std::string& given, DeviceError& error) override {
    if (chdir(given.c_str()) != 0) {
      error = error_of(errno);
      return false;
    }
    folders_.forget();
    last_handle_.reset();
    return true;
  }

  std::string working_folder() override {
    std::unique_ptr<char, decltype(&std::free)> path(getcwd(nullptr, 0), &std::free);
    return path != nullptr ? path.get() : ".";
  }

  std::unique_ptr<ReadableFile> open_given(const std::string& given, DeviceError& error) override {
    // Standard input is read whatever it is: the user chose it.
    if (given == "-") {
      int input = fcntl(0, F_DUPFD_CLOEXEC, 3);
      if (input >= 0) return std::make_unique<PosixReadableFile>(input, false);
      error = error_of(errno);
      return nullptr;
    }
    // A pipe opens only once something writes to it, as its user expects.
    int descriptor = ::open(given.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
      error = error_of(errno);
      return nullptr;
    }
    struct stat status;
    if (fstat(descriptor, &status) != 0) {
      error = error_of(errno);
      ::close(descriptor);
      return nullptr;
    }
    if (S_ISDIR(status.st_mode) || S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) {
      error = refusal(S_ISDIR(status.st_mode) ? "is a folder" : "names a device");
      ::close(descriptor);
      return nullptr;
    }
    return std::make_unique<PosixReadableFile>(descriptor, false);
  }

  std::string absolute_path(const std::string& given) override {
    if (given.starts_with('/')) return given;
    return working_folder() + "/" + given;
  }

 private:
  // A folder for a call of the program's own thread: most calls in a row are in one folder (its
  // M3U, its playlist, the playlist's temporary file), which is then found without asking the
  // folders the listing thread shares.
  std::shared_ptr<FolderHandle> folder_at(std::string_view path, DeviceError& error) {
    if (last_handle_ != nullptr && path == last_folder_) return last_handle_;
    std::shared_ptr<FolderHandle> handle = folders_.open(path, error);
    if (handle != nullptr) {
      last_folder_ = path;
      last_handle_ = handle;
    }
    return handle;
  }

  // The folder a file was made in, let go of: the file is renamed or removed now.
  std::shared_ptr<FolderHandle> made_in(const std::string& path) {
    auto found = in_flight_.find(path);
    if (found == in_flight_.end()) return nullptr;
    std::shared_ptr<FolderHandle> handle = std::move(found->second);
    in_flight_.erase(found);
    return handle;
  }

  Folders folders_;
  WrittenFileSystems written_;
  // The folders of the files made and not yet renamed or removed, held: a batch of playlists is
  // renamed into place only once it is written out, when most of its folders have left the
  // folders kept. At most a quarter of the descriptors the process may have.
  std::unordered_map<std::string, std::shared_ptr<FolderHandle>> in_flight_;
  std::size_t max_in_flight_ = max_descriptors() / 4;
  std::string last_folder_;
  std::shared_ptr<FolderHandle> last_handle_;  // of last_folder_
};

}  // namespace

std::unique_ptr<Device> make_native_device() { return std::make_unique<PosixDevice>(); }
