// The device on POSIX systems: names are bytes as the file system holds them, paths are device
// paths as they are ("/" already separates folders), and a symbolic link counts as what it
// leads to.
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/device.h"

namespace {

DeviceError error_of(int error_number) {
  DeviceError error;
  error.reason = std::strerror(error_number);
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

const char* native(const std::string& path) { return path.empty() ? "." : path.c_str(); }

std::string folder_of(const std::string& path) {
  std::size_t separator = path.rfind('/');
  return separator == std::string::npos ? "." : path.substr(0, separator);
}

EntryType type_of_mode(mode_t mode) {
  return S_ISDIR(mode) ? EntryType::folder : S_ISREG(mode) ? EntryType::file : EntryType::other;
}

// The type of what an entry leads to, and whether it is a link, asking the file system only when
// the listing does not say.
bool type_of(DIR* folder, const dirent& entry, EntryType& type, bool& linked, DeviceError& error) {
  linked = entry.d_type == DT_LNK;
  type = entry.d_type == DT_DIR   ? EntryType::folder
         : entry.d_type == DT_REG ? EntryType::file
                                  : EntryType::other;
  if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return true;
  struct stat status;
  if (entry.d_type == DT_UNKNOWN) {
    if (fstatat(dirfd(folder), entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
      error = error_of(errno);
      return false;
    }
    linked = S_ISLNK(status.st_mode);
    type = type_of_mode(status.st_mode);
    if (!linked) return true;
  }
  if (fstatat(dirfd(folder), entry.d_name, &status, 0) != 0) {
    type = EntryType::other;
    // A link that leads nowhere is no track and no folder.
    if (error_of(errno).kind == DeviceError::Kind::missing) return true;
    error = error_of(errno);
    error.reason = std::string(entry.d_name) + ": " + error.reason;
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

  // Notes the file system a file written at path lies on.
  bool note(int descriptor, const std::string& path, DeviceError& error) {
    struct stat status;
    if (fstat(descriptor, &status) != 0) {
      error = error_of(errno);
      return false;
    }
    folder_devices_[folder_of(path)] = status.st_dev;
    return keep_descriptor_on(status.st_dev, descriptor, error);
  }

  bool sync(const std::vector<std::string>& paths, DeviceError& error) {
    std::vector<dev_t> wanted;
    for (const std::string& path : paths) {
      dev_t device = 0;
      if (!device_of(path, device, error)) return false;
      if (std::find(wanted.begin(), wanted.end(), device) == wanted.end()) wanted.push_back(device);
    }
    for (const auto& [device, descriptor] : devices_)
      if (std::find(wanted.begin(), wanted.end(), device) != wanted.end() &&
          syncfs(descriptor) != 0) {
        error = error_of(errno);
        return false;
      }
    return true;
  }

 private:
  bool keep_descriptor_on(dev_t device, int descriptor, DeviceError& error) {
    for (const auto& [known, kept] : devices_)
      if (known == device) return true;
    int kept = fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
    if (kept < 0) {
      error = error_of(errno);
      return false;
    }
    devices_.emplace_back(device, kept);
    return true;
  }

  // The file system a path's folder lies on; where no file of this run was written, the folder
  // itself says.
  bool device_of(const std::string& path, dev_t& device, DeviceError& error) {
    std::string folder = folder_of(path);
    if (auto known = folder_devices_.find(folder); known != folder_devices_.end()) {
      device = known->second;
      return true;
    }
    int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat status;
    if (descriptor < 0 || fstat(descriptor, &status) != 0) {
      error = error_of(errno);
      if (descriptor >= 0) ::close(descriptor);
      return false;
    }
    bool kept = keep_descriptor_on(status.st_dev, descriptor, error);
    ::close(descriptor);
    if (!kept) return false;
    device = folder_devices_.emplace(folder, status.st_dev).first->second;
    return true;
  }

  std::vector<std::pair<dev_t, int>> devices_;  // a descriptor on each file system written to
  std::unordered_map<std::string, dev_t> folder_devices_;  // of each folder written in
};

class PosixWritableFile : public WritableFile {
 public:
  PosixWritableFile(int descriptor, std::string path, WrittenFileSystems& written)
      : descriptor_(descriptor), path_(std::move(path)), written_(written) {}
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
    bool noted = written_.note(descriptor_, path_, error);
    int descriptor = std::exchange(descriptor_, -1);
    // Linux closes the descriptor even when close is interrupted.
    if (::close(descriptor) != 0 && errno != EINTR) {
      if (noted) error = error_of(errno);
      return false;
    }
    return noted;
  }

 private:
  int descriptor_;
  std::string path_;
  WrittenFileSystems& written_;
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

// Closes a folder whose reading failed, keeping errno as the failure left it.
void close_after_failure(DIR* folder) {
  int error = errno;
  closedir(folder);
  errno = error;
}

bool list_folder(const std::string& folder, DeviceListing& listing, DeviceError& error) {
  listing = {};
  // Room for an album's worth of entries at once.
  listing.entries.reserve(64);
  listing.names.reserve(2048);
  DIR* stream = opendir(native(folder));
  if (stream == nullptr) {
    error = error_of(errno);
    return false;
  }
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(stream);
    if (entry == nullptr) {
      if (errno == 0) break;
      error = error_of(errno);
      close_after_failure(stream);
      return false;
    }
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    EntryType type = EntryType::other;
    bool linked = false;
    if (!type_of(stream, *entry, type, linked, error)) {
      close_after_failure(stream);
      return false;
    }
    listing.add(name, type, linked);
  }
  if (closedir(stream) != 0) {
    error = error_of(errno);
    return false;
  }
  return true;
}

// Lists the folders a run is about to work through ahead of it, on a thread of its own, so that
// the file system's work overlaps the program's own. A few listings ahead at most, so that
// little memory is held; a folder asked for out of turn is simply listed then.
class ListingsAhead {
 public:
  // Null when no thread can be had: the folders are then listed as they are asked for.
  static std::unique_ptr<ListingsAhead> start(const std::vector<std::string>& folders) {
    auto ahead = std::make_unique<ListingsAhead>(folders);
    // The thread never takes the signals that end a run: the main thread's handler must run
    // where the temporary files are registered, which blocks them while it registers one.
    sigset_t all = {};
    sigset_t previous = {};
    sigfillset(&all);
    if (pthread_sigmask(SIG_SETMASK, &all, &previous) != 0) return nullptr;
    // Restored on every path: out of memory, the thread's start throws std::bad_alloc.
    struct Restore {
      const sigset_t& mask;
      ~Restore() { pthread_sigmask(SIG_SETMASK, &mask, nullptr); }
    } restore{previous};
    try {
      ahead->thread_ = std::thread([raw = ahead.get()] { raw->run(); });
    } catch (const std::system_error&) {
      return nullptr;
    }
    return ahead;
  }

  explicit ListingsAhead(std::vector<std::string> folders) : folders_(std::move(folders)) {}
  ~ListingsAhead() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  ListingsAhead(const ListingsAhead&) = delete;
  ListingsAhead& operator=(const ListingsAhead&) = delete;

  // True when the folder is the next to come, or one after it, listed ahead or being listed:
  // listing and error are then what listing it gave, and listed its result. Folders before it
  // were passed over and are not listed any more.
  bool take(const std::string& folder, DeviceListing& listing, DeviceError& error, bool& listed) {
    std::unique_lock<std::mutex> lock(mutex_);
    std::size_t end = std::min(next_ + 1, folders_.size());
    std::size_t index = taken_;
    while (index < end && folders_[index] != folder) ++index;
    if (index == end) return false;
    // The run is done with the folder it took before, or soon will be.
    held_bytes_ = 0;
    taken_ = index;
    while (!ready_.empty() && ready_.front().index < index) drop_front();
    // The thread may wait for room with this very folder next.
    if (waiting_for_room_ && has_room()) changed_.notify_all();
    changed_.wait(lock,
                  [&] { return stopped_ || (!ready_.empty() && ready_.front().index == index); });
    if (ready_.empty() || ready_.front().index != index) return false;
    Listed taken = std::move(ready_.front());
    drop_front();
    held_bytes_ = taken.bytes;
    taken_ = index + 1;
    if (waiting_for_room_ && has_room()) changed_.notify_all();
    listing = std::move(taken.listing);
    error = std::move(taken.error);
    listed = taken.listed;
    return true;
  }

 private:
  static constexpr std::size_t kMaxListings = 16;
  static constexpr std::size_t kMaxBytes = 4 << 20;

  struct Listed {
    std::size_t index;
    DeviceListing listing;
    DeviceError error;
    bool listed;
    std::size_t bytes;  // the listing holds
  };

  // Listed as far ahead as it may, the thread goes on once half of it is taken: it is woken
  // seldom.
  // The listing the run works on counts too: beside a large folder, nothing is listed ahead.
  bool is_full() const {
    return ready_.size() >= kMaxListings || bytes_ + held_bytes_ >= kMaxBytes;
  }
  bool has_room() const {
    return ready_.size() <= kMaxListings / 2 && bytes_ + held_bytes_ <= kMaxBytes / 2;
  }

  void drop_front() {
    bytes_ -= ready_.front().bytes;
    ready_.pop_front();
  }

  void run() {
    try {
      std::unique_lock<std::mutex> lock(mutex_);
      for (;;) {
        if (is_full()) {
          waiting_for_room_ = true;
          changed_.wait(lock, [&] { return stopping_ || has_room(); });
          waiting_for_room_ = false;
        }
        next_ = std::max(next_, taken_);
        if (stopping_ || next_ >= folders_.size()) break;
        std::size_t index = next_;
        const std::string& folder = folders_[index];
        lock.unlock();
        Listed listed{index, {}, {}, false, 0};
        listed.listed = list_folder(folder, listed.listing, listed.error);
        listed.bytes = listed.listing.names.capacity() +
                       listed.listing.entries.capacity() * sizeof(DeviceListing::Entry);
        lock.lock();
        if (index >= taken_) {
          bytes_ += listed.bytes;
          ready_.push_back(std::move(listed));
        }
        next_ = index + 1;
        changed_.notify_all();
      }
    } catch (const std::exception&) {
      // Out of memory, most likely: what is not listed yet is listed when it is asked for.
    }
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }

  const std::vector<std::string> folders_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t next_ = 0;   // the folder being listed, or the next to be
  std::size_t taken_ = 0;  // the folders before it are taken or passed over
  std::deque<Listed> ready_;
  std::size_t bytes_ = 0;       // that the listings ready hold
  std::size_t held_bytes_ = 0;  // that the listing the run took last holds
  bool stopping_ = false;
  bool stopped_ = false;
  bool waiting_for_room_ = false;
  std::thread thread_;
};

class PosixDevice : public Device {
 public:
  bool list(const std::string& folder, DeviceListing& listing, DeviceError& error) override {
    bool listed = false;
    if (ahead_ != nullptr && ahead_->take(folder, listing, error, listed)) return listed;
    return list_folder(folder, listing, error);
  }

  void will_list(const std::vector<std::string>& folders) override {
    ahead_.reset();
    ahead_ = ListingsAhead::start(folders);
  }

  // Non-blocking, so that a pipe planted under the name never blocks; checked once open, for the
  // name may have been replaced since it was listed.
  std::unique_ptr<ReadableFile> open(const std::string& path, DeviceError& error) override {
    int descriptor = ::open(native(path), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
      error = error_of(errno);
      return nullptr;
    }
    struct stat status;
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
      error = refusal(S_ISDIR(status.st_mode) ? "is a folder" : "not a regular file");
      ::close(descriptor);
      return nullptr;
    }
    // A vfat mount shows the read-only attribute as a file no one may write.
    return std::make_unique<PosixReadableFile>(
        descriptor, (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0);
  }

  std::unique_ptr<WritableFile> create(const std::string& path, DeviceError& error) override {
    int descriptor = ::open(native(path), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
      error = error_of(errno);
      return nullptr;
    }
    return std::make_unique<PosixWritableFile>(descriptor, path, written_);
  }

  bool sync(const std::vector<std::string>& paths, DeviceError& error) override {
    return written_.sync(paths, error);
  }

  bool rename(const std::string& from, const std::string& to, DeviceError& error) override {
    if (std::rename(native(from), native(to)) == 0) return true;
    error = error_of(errno);
    return false;
  }

  bool remove(const std::string& path, DeviceError& error) override {
    if (unlink(native(path)) == 0 || errno == ENOENT) return true;
    error = error_of(errno);
    return false;
  }

  bool identify(const std::string& folder, FolderIdentity& identity, DeviceError& error) override {
    struct stat status;
    if (stat(native(folder), &status) != 0 || !S_ISDIR(status.st_mode)) {
      error = error_of(S_ISDIR(status.st_mode) ? errno : ENOTDIR);
      return false;
    }
    identity = {static_cast<std::uint64_t>(status.st_dev),
                static_cast<std::uint64_t>(status.st_ino)};
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
    if (chdir(given.c_str()) == 0) return true;
    error = error_of(errno);
    return false;
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
    if (fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode) || S_ISCHR(status.st_mode) ||
        S_ISBLK(status.st_mode)) {
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
  WrittenFileSystems written_;
  std::unique_ptr<ListingsAhead> ahead_;
};

}  // namespace

std::unique_ptr<Device> make_native_device() { return std::make_unique<PosixDevice>(); }
