// The file system on POSIX systems, answering as the Win32 "A" functions would: names are
// delivered in the device's code page and paths converted back to UTF-8, backslashes separate
// folders, names are found whatever their ASCII case and trailing spaces or dots, patterns
// ignore ASCII case, a symbolic link counts as what it points to, and every folder is listed in
// one fixed order.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <list>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/code_page.h"
#include "platform/code_page_posix.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/names.h"
#include "platform/process.h"

namespace {

std::string system_reason(int error_number) { return std::strerror(error_number); }

// Errors that say a path leads nowhere, rather than that the system could not tell.
bool leads_nowhere(int error) {
  return error == ENOENT || error == ENOTDIR || error == ELOOP || error == ENAMETOOLONG;
}

// The file system's spelling of a path text, when it is spelled the obvious way.
std::optional<std::string> plain_native(std::string_view path) {
  std::string native;
  if (!code_page_to_utf8(path, native)) return std::nullopt;
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

enum class EntryType : unsigned char { directory, regular, other };

constexpr std::uint32_t kNoText = UINT32_MAX;

struct ReadEntry {
  std::uint32_t name;  // where the file system's name starts in FolderRead::names
  std::uint32_t text;  // where the program's text starts, or kNoText when the code page lacks it
  std::uint32_t text_length;
  EntryType type;     // of what a link points to
  bool twin = false;  // reads the same to the player as the entry before it, which is taken
};

// A folder's entries as read from the file system, in listing order. Names and texts lie back
// to back in one buffer, each ended by a zero byte: a folder of 100,000 tracks costs one
// buffer, not 100,000 strings.
struct FolderRead {
  std::string names;
  std::vector<ReadEntry> entries;
  bool has_twins = false;
};

std::string_view text_of(const FolderRead& read, const ReadEntry& entry) {
  return std::string_view(read.names)
      .substr(entry.text == kNoText ? 0 : entry.text, entry.text_length);
}

bool type_of(DIR* folder, const dirent& entry, EntryType& type, std::string& reason) {
  type = entry.d_type == DT_DIR   ? EntryType::directory
         : entry.d_type == DT_REG ? EntryType::regular
                                  : EntryType::other;
  if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return true;
  struct stat status;
  if (fstatat(dirfd(folder), entry.d_name, &status, 0) != 0) {
    // A link that leads nowhere is no track and no folder.
    if (leads_nowhere(errno)) return true;
    reason = std::string(entry.d_name) + ": " + system_reason(errno);
    return false;
  }
  type = S_ISDIR(status.st_mode)   ? EntryType::directory
         : S_ISREG(status.st_mode) ? EntryType::regular
                                   : EntryType::other;
  return true;
}

// Closes a folder whose reading failed, keeping errno as the failure left it.
std::nullptr_t close_after_failure(DIR* folder) {
  int error = errno;
  closedir(folder);
  errno = error;
  return nullptr;
}

// Reads a folder whole, or returns null with the reason (and errno) of the failure.
std::shared_ptr<const FolderRead> read_folder_now(const std::string& native_folder,
                                                  std::string& reason) {
  auto read = std::make_shared<FolderRead>();
  DIR* folder = opendir(native_folder.c_str());
  if (folder == nullptr) {
    reason = system_reason(errno);
    return nullptr;
  }
  std::string text;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(folder);
    if (entry == nullptr) {
      if (errno == 0) break;
      reason = system_reason(errno);
      return close_after_failure(folder);
    }
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    ReadEntry read_entry{static_cast<std::uint32_t>(read->names.size()), kNoText, 0,
                         EntryType::other};
    if (!type_of(folder, *entry, read_entry.type, reason)) return close_after_failure(folder);
    read->names.append(name).push_back('\0');
    // Most names read the same in both, ASCII ones always: stored once.
    if (is_ascii(name)) {
      read_entry.text = read_entry.name;
      read_entry.text_length = static_cast<std::uint32_t>(name.size());
    } else if (file_system_name_to_code_page(name, text) != NameConversion::not_representable) {
      read_entry.text =
          text == name ? read_entry.name : static_cast<std::uint32_t>(read->names.size());
      read_entry.text_length = static_cast<std::uint32_t>(text.size());
      if (text != name) read->names.append(text).push_back('\0');
    }
    read->entries.push_back(read_entry);
  }
  if (closedir(folder) != 0) {
    reason = system_reason(errno);
    return nullptr;
  }
  std::sort(read->entries.begin(), read->entries.end(),
            [&read](const ReadEntry& left, const ReadEntry& right) {
              std::string_view left_text = text_of(*read, left);
              std::string_view right_text = text_of(*read, right);
              // One text for two names (UTF-8 and code-page bytes): the names decide.
              if (left_text == right_text)
                return std::strcmp(read->names.c_str() + left.name,
                                   read->names.c_str() + right.name) < 0;
              return listing_order(left_text, right_text);
            });
  // Names the player cannot tell apart ("Rock" and "rock", or one name in UTF-8 and in the code
  // page's bytes) come next to each other in listing order: the first is taken.
  const ReadEntry* taken = nullptr;
  for (ReadEntry& entry : read->entries) {
    if (entry.text == kNoText) continue;
    entry.twin = taken != nullptr && taken->text_length == entry.text_length &&
                 compare_windows_names(text_of(*read, *taken), text_of(*read, entry)) == 0;
    read->has_twins |= entry.twin;
    if (!entry.twin) taken = &entry;
  }
  return read;
}

// A folder's names in the order Windows compares them, for finding a name that is not spelled
// as it is on disk.
struct FolderIndex {
  std::shared_ptr<const FolderRead> read;
  std::vector<std::uint32_t> by_name;  // places in read->entries, by compare_windows_names
  std::size_t bytes = 0;               // of memory it holds
};

// Folders indexed so far. An M3U names many tracks in few folders: each folder is listed once
// however many lines look into it. Bounded by the memory the indexes hold: when a new one
// passes the bound, the folders used least recently go, never the new one, so a folder larger
// than the bound is still read only once for all the lines that look into it.
class FolderIndexCache {
 public:
  const FolderIndex* find(const std::string& native_folder) {
    auto found = places_.find(native_folder);
    if (found == places_.end()) return nullptr;
    recent_.splice(recent_.begin(), recent_, found->second);
    return &found->second->second;
  }

  const FolderIndex& add(const std::string& native_folder, FolderIndex index) {
    bytes_ += index.bytes;
    recent_.emplace_front(native_folder, std::move(index));
    places_[native_folder] = recent_.begin();
    while (bytes_ > kMaxBytes && recent_.size() > 1) {
      bytes_ -= recent_.back().second.bytes;
      places_.erase(recent_.back().first);
      recent_.pop_back();
    }
    return recent_.front().second;
  }

 private:
  static constexpr std::size_t kMaxBytes = 16 << 20;
  std::list<std::pair<std::string, FolderIndex>> recent_;  // most recently used first
  std::unordered_map<std::string, std::list<std::pair<std::string, FolderIndex>>::iterator> places_;
  std::size_t bytes_ = 0;
};

enum class Lookup { found, missing, failed };

// The interruptions that remove temporary files; held back while the list of those changes.
sigset_t interruption_signals() {
  sigset_t signals;
  sigemptyset(&signals);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, signal_number);
  return signals;
}

class InterruptionsHeld {
 public:
  InterruptionsHeld() {
    sigset_t signals = interruption_signals();
    sigprocmask(SIG_BLOCK, &signals, &previous_);
  }
  ~InterruptionsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
  InterruptionsHeld(const InterruptionsHeld&) = delete;
  InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;

 private:
  sigset_t previous_;
};

// Temporary files created and not yet put in place or removed, by native path: what an
// interruption removes. Changed only while interruptions are held back, so that the handler
// always finds it whole.
std::vector<std::string> files_in_flight;

extern "C" void remove_files_in_flight(int signal_number) {
  for (const std::string& native : files_in_flight) unlink(native.c_str());
  // Ends as the signal would have ended the program: the signal is delivered again, now with
  // its default action, once this handler returns.
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigaction(signal_number, &default_action, nullptr);
  raise(signal_number);
}

void forget_in_flight(const std::string& native) {
  auto found = std::find(files_in_flight.begin(), files_in_flight.end(), native);
  if (found != files_in_flight.end()) files_in_flight.erase(found);
}

class PosixReadableFile : public ReadableFile {
 public:
  explicit PosixReadableFile(int descriptor) : descriptor_(descriptor) {}
  ~PosixReadableFile() override { close(descriptor_); }
  PosixReadableFile(const PosixReadableFile&) = delete;
  PosixReadableFile& operator=(const PosixReadableFile&) = delete;

  bool read(char* buffer, std::size_t size, std::size_t& count, std::string& reason) override {
    count = 0;
    while (count < size) {
      ssize_t result = ::read(descriptor_, buffer + count, size - count);
      if (result == 0) break;
      if (result < 0 && errno == EINTR) continue;
      if (result < 0) {
        reason = system_reason(errno);
        return false;
      }
      count += static_cast<std::size_t>(result);
    }
    return true;
  }

 private:
  int descriptor_;
};

class PosixFileSystem;

class PosixWritableFile : public WritableFile {
 public:
  PosixWritableFile(int descriptor, PosixFileSystem& file_system)
      : descriptor_(descriptor), file_system_(file_system) {}
  ~PosixWritableFile() override {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  PosixWritableFile(const PosixWritableFile&) = delete;
  PosixWritableFile& operator=(const PosixWritableFile&) = delete;

  bool append(std::string_view data, std::string& reason) override {
    while (!data.empty()) {
      ssize_t written = write(descriptor_, data.data(), data.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        // A write that takes nothing and names no error is still a failed write.
        reason = system_reason(written < 0 ? errno : EIO);
        return false;
      }
      data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
  }

  bool close(std::string& reason) override;

 private:
  int descriptor_;
  PosixFileSystem& file_system_;
};

class PosixFileSystem : public FileSystem {
 public:
  bool enumerate_entries(void* context, const char* folder, const char* pattern, EntryKind kind,
                         EntryVisitor visitor, std::string& reason) override {
    // Held, not borrowed: a visitor may list other folders meanwhile.
    std::shared_ptr<const FolderRead> read = read_named_folder(folder, reason);
    if (read == nullptr) return false;
    EntryType wanted = kind == EntryKind::directories ? EntryType::directory : EntryType::regular;
    const char* taken = nullptr;
    for (const ReadEntry& entry : read->entries) {
      const char* name = read->names.c_str() + entry.name;
      const char* text = entry.text == kNoText ? nullptr : read->names.c_str() + entry.text;
      if (text != nullptr && !entry.twin) taken = text;
      if (entry.type != wanted || fnmatch(pattern, name, FNM_CASEFOLD) != 0 ||
          !is_usable_name(folder, name, text))
        continue;
      if (entry.twin) {
        warn_once("skipping %s: the player cannot tell it from %s, which is taken",
                  quoted(shown_entry(folder, name)).c_str(), quoted_text(taken).c_str());
        continue;
      }
      visitor(context, folder, text);
    }
    return true;
  }

  bool status_of(const char* path, FileStatus& file_status, std::string& reason) override {
    std::string native;
    struct stat status;
    return status_after(exact_lookup(path, native, status, reason), status, file_status);
  }

  // Names are looked up as Windows would find them whoever wrote them.
  // A path a user wrote is resolved as Windows resolves it before it is looked up.
  bool look_up(const char* path, FileStatus& status, std::string& reason) override {
    std::optional<std::string> resolved = windows_path(path);
    if (!resolved) {
      status = {};
      return true;
    }
    std::string native;
    struct stat found;
    return status_after(find_existing(*resolved, native, found, reason), found, status);
  }

  // Only names a listing found to be regular files are opened here, so they are opened at once;
  // non-blocking, and checked once open, for the name may have been replaced meanwhile.
  std::unique_ptr<ReadableFile> open_file(const char* path, std::string& reason) override {
    std::string native;
    struct stat status;
    if (!found(exact_lookup(path, native, status, reason), reason)) return nullptr;
    if (!S_ISREG(status.st_mode)) {
      reason = S_ISDIR(status.st_mode) ? "is a folder" : "not a regular file";
      return nullptr;
    }
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
    return std::make_unique<PosixReadableFile>(descriptor);
  }

  std::unique_ptr<WritableFile> create_file(const char* path, std::string& reason) override {
    std::string native;
    if (!found(native_for_writing(path, native, reason), reason)) return nullptr;
    last_read_ = {};
    InterruptionsHeld held;
    // A stale file of this name may be a link or a pipe left by someone else: never write
    // through it, start afresh. Rarely there: removed only when found in the way.
    int descriptor = open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0 && errno == EEXIST) {
      if (unlink(native.c_str()) != 0 && errno != ENOENT) {
        reason = system_reason(errno);
        return nullptr;
      }
      descriptor = open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    if (descriptor < 0) {
      reason = system_reason(errno);
      return nullptr;
    }
    files_in_flight.push_back(native);
    return std::make_unique<PosixWritableFile>(descriptor, *this);
  }

  bool sync(std::string& reason) override {
    // One syncfs a file system writes out everything at once, where an fsync a file would wait
    // for the device once a playlist.
    for (const auto& [device, descriptor] : devices_)
      if (syncfs(descriptor) != 0) {
        reason = system_reason(errno);
        return false;
      }
    return true;
  }

  // Keeps a descriptor on every file system written to, for sync.
  bool note_written(int descriptor, std::string& reason) {
    struct stat status;
    if (fstat(descriptor, &status) != 0) {
      reason = system_reason(errno);
      return false;
    }
    for (const auto& [device, kept] : devices_)
      if (device == status.st_dev) return true;
    int kept = fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
    if (kept < 0) {
      reason = system_reason(errno);
      return false;
    }
    devices_.emplace_back(status.st_dev, kept);
    return true;
  }

  bool replace_file(const char* source, const char* target, std::string& reason) override {
    last_read_ = {};
    std::string native_source;
    std::string native_target;
    if (!found(native_for_writing(source, native_source, reason), reason) ||
        !found(native_for_writing(target, native_target, reason), reason))
      return false;
    InterruptionsHeld held;
    if (std::rename(native_source.c_str(), native_target.c_str()) != 0) {
      reason = system_reason(errno);
      return false;
    }
    forget_in_flight(native_source);
    return true;
  }

  bool remove_file(const char* path, std::string& reason) override {
    last_read_ = {};
    std::string native;
    Lookup lookup = native_for_writing(path, native, reason);
    if (lookup == Lookup::missing) return true;
    if (lookup == Lookup::failed) return false;
    // A file in flight leaves the list only while interruptions are held back.
    std::optional<InterruptionsHeld> held;
    if (std::find(files_in_flight.begin(), files_in_flight.end(), native) != files_in_flight.end())
      held.emplace();
    if (unlink(native.c_str()) != 0 && errno != ENOENT) {
      reason = system_reason(errno);
      return false;
    }
    forget_in_flight(native);
    return true;
  }

  bool identify_folder(const char* path, FolderIdentity& identity, std::string& reason) override {
    std::string native;
    struct stat status;
    if (!found(exact_lookup(path, native, status, reason), reason)) return false;
    struct stat link_status = status;
    if (lstat(native.c_str(), &link_status) != 0) {
      reason = system_reason(errno);
      return false;
    }
    identity = {static_cast<std::uint64_t>(status.st_dev),
                static_cast<std::uint64_t>(status.st_ino), S_ISLNK(link_status.st_mode)};
    return true;
  }

  std::unique_ptr<ReadableFile> open_given_file(const char* path, std::string& reason) override {
    // Standard input is read whatever it is: the user chose it.
    if (std::strcmp(path, "-") == 0) {
      int input = fcntl(0, F_DUPFD_CLOEXEC, 3);
      if (input >= 0) return std::make_unique<PosixReadableFile>(input);
      reason = system_reason(errno);
      return nullptr;
    }
    // A pipe opens only once something writes to it, as its user expects.
    int descriptor = open(path, O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
      reason = system_reason(errno);
      return nullptr;
    }
    struct stat status;
    if (fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode) || S_ISCHR(status.st_mode) ||
        S_ISBLK(status.st_mode)) {
      reason = S_ISDIR(status.st_mode) ? "is a folder" : "names a device";
      close(descriptor);
      return nullptr;
    }
    return std::make_unique<PosixReadableFile>(descriptor);
  }

  std::string absolute_path(const char* path) override {
    if (path[0] == '/') return path;
    return working_folder_shown() + "/" + path;
  }

  bool change_working_folder(const char* path, std::string& reason) override {
    if (chdir(path) == 0) return true;
    reason = system_reason(errno);
    return false;
  }

  std::string working_folder_shown() override {
    std::unique_ptr<char, decltype(&std::free)> path(getcwd(nullptr, 0), &std::free);
    return path != nullptr ? path.get() : ".";
  }

  void forget_reads() {
    last_read_ = {};
    indexes_ = {};
    folders_with_twins_.clear();
  }

 private:
  static bool status_after(Lookup lookup, const struct stat& status, FileStatus& file_status) {
    if (lookup == Lookup::failed) return false;
    using Kind = FileStatus::Kind;
    file_status.kind = lookup == Lookup::missing ? Kind::missing
                       : S_ISREG(status.st_mode) ? Kind::regular_file
                       : S_ISDIR(status.st_mode) ? Kind::folder
                                                 : Kind::other;
    // A vfat mount shows the read-only attribute as a file no one may write.
    file_status.read_only = file_status.kind == Kind::regular_file &&
                            (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    return true;
  }

  static bool found(Lookup lookup, std::string& reason) {
    if (lookup == Lookup::missing) reason = system_reason(ENOENT);
    return lookup == Lookup::found;
  }

  // The folder read last, kept for the next listing of the same folder: a folder's M3U search,
  // its MP3 listing and the lookups of its M3U's lines share one read. Anything the program
  // writes or removes drops it, so a listing never misses the program's own work.
  std::shared_ptr<const FolderRead> read_folder(const std::string& native_folder,
                                                std::string& reason) {
    if (last_read_.read == nullptr || last_read_.native_folder != native_folder) {
      std::shared_ptr<const FolderRead> read = read_folder_now(native_folder, reason);
      if (read == nullptr) return nullptr;
      if (read->has_twins) folders_with_twins_.emplace(folder_key(native_folder));
      last_read_ = {native_folder, std::move(read)};
    }
    return last_read_.read;
  }

  // The folder named by a path text, read: by the name as spelled when it is there, else found
  // name by name.
  std::shared_ptr<const FolderRead> read_named_folder(const char* folder, std::string& reason) {
    std::optional<std::string> plain = plain_native(folder);
    if (plain && !through_twins(*plain)) {
      if (std::shared_ptr<const FolderRead> read = read_folder(*plain, reason)) return read;
      if (!leads_nowhere(errno)) return nullptr;
    }
    std::string native_folder;
    struct stat status;
    if (!found(find_existing(folder, native_folder, status, reason), reason)) return nullptr;
    return read_folder(native_folder, reason);
  }

  // The same folder read as "Rock" or "./Rock" has one key.
  static std::string_view folder_key(std::string_view native_folder) {
    while (native_folder.starts_with("./")) native_folder.remove_prefix(2);
    return native_folder == "." ? std::string_view() : native_folder;
  }

  bool through_twins(std::string_view native) const {
    if (folders_with_twins_.empty()) return false;
    native = folder_key(native);
    if (folders_with_twins_.count(std::string_view()) != 0) return true;
    for (std::size_t end = native.find('/'); end != std::string_view::npos;
         end = native.find('/', end + 1))
      if (folders_with_twins_.count(native.substr(0, end)) != 0) return true;
    return false;
  }

  const FolderIndex* index_of(const std::string& native_folder, std::string& reason) {
    if (const FolderIndex* index = indexes_.find(native_folder)) return index;
    FolderIndex index{read_folder(native_folder, reason), {}};
    if (index.read == nullptr) return nullptr;
    const FolderRead& read = *index.read;
    // A twin is never found: every lookup of its name reaches the entry taken.
    for (std::uint32_t place = 0; place < read.entries.size(); ++place)
      if (read.entries[place].text != kNoText && !read.entries[place].twin)
        index.by_name.push_back(place);
    std::stable_sort(index.by_name.begin(), index.by_name.end(), [&read](auto left, auto right) {
      return compare_windows_names(text_of(read, read.entries[left]),
                                   text_of(read, read.entries[right])) < 0;
    });
    index.bytes = 2 * native_folder.size() + read.names.capacity() +
                  read.entries.capacity() * sizeof(ReadEntry) +
                  index.by_name.capacity() * sizeof(std::uint32_t);
    return &indexes_.add(native_folder, std::move(index));
  }

  // The name in the folder that Windows would open for component, if any: the name as written
  // when it exists, else one equal to it without regard to ASCII case and trailing spaces or
  // dots.
  Lookup find_in_folder(const std::string& native_folder, std::string_view component,
                        std::string& name, std::string& reason) {
    const FolderIndex* index = index_of(native_folder, reason);
    if (index == nullptr) return leads_nowhere(errno) ? Lookup::missing : Lookup::failed;
    const FolderRead& read = *index->read;
    auto name_at = [&read](std::uint32_t place) { return text_of(read, read.entries[place]); };
    auto first = std::lower_bound(index->by_name.begin(), index->by_name.end(), component,
                                  [&name_at](std::uint32_t place, std::string_view wanted) {
                                    return compare_windows_names(name_at(place), wanted) < 0;
                                  });
    auto last = std::upper_bound(first, index->by_name.end(), component,
                                 [&name_at](std::string_view wanted, std::uint32_t place) {
                                   return compare_windows_names(wanted, name_at(place)) < 0;
                                 });
    if (first == last) return Lookup::missing;
    auto chosen =
        std::find_if(first, last, [&](std::uint32_t place) { return name_at(place) == component; });
    name = read.names.c_str() + read.entries[chosen == last ? *first : *chosen].name;
    return Lookup::found;
  }

  // Finds the file system's name for a path text, and its status.
  Lookup find_existing(std::string_view path, std::string& native, struct stat& status,
                       std::string& reason) {
    std::optional<std::string> plain = plain_native(path);
    // A path through a folder holding twins is found name by name, so that it never reaches
    // one of them.
    if (plain && !through_twins(*plain)) {
      if (stat(plain->c_str(), &status) == 0) {
        native = std::move(*plain);
        return Lookup::found;
      }
      if (!leads_nowhere(errno)) {
        reason = system_reason(errno);
        return Lookup::failed;
      }
    }
    native.assign(1, '.');  // not = ".", which trips GCC 12's -Wrestrict
    std::string name;
    while (!path.empty()) {
      std::size_t separator = path.find_first_of("\\/");
      std::string_view component = path.substr(0, separator);
      path = separator == std::string_view::npos ? std::string_view() : path.substr(separator + 1);
      if (component.empty() || component == ".") continue;
      if (component == "..") {
        native += "/..";
        continue;
      }
      Lookup lookup = find_in_folder(native, component, name, reason);
      if (lookup != Lookup::found) return lookup;
      native += '/';
      native += name;
    }
    if (stat(native.c_str(), &status) == 0) return Lookup::found;
    if (leads_nowhere(errno)) return Lookup::missing;
    reason = system_reason(errno);
    return Lookup::failed;
  }

  // A path the program made of names it listed: its folder is found as find_existing finds it,
  // its own name as it is spelled. Only a name beyond ASCII may be spelled otherwise on disk (in
  // code-page bytes rather than UTF-8) and is looked for by name; an ASCII one missing as spelled
  // costs no listing of its folder (a playlist not yet written, in a folder of 100,000 tracks).
  Lookup exact_lookup(std::string_view path, std::string& native, struct stat& status,
                      std::string& reason) {
    std::string_view name = path.substr(path.rfind('\\') + 1);
    if (!is_ascii(name)) return find_existing(path, native, status, reason);
    if (std::optional<std::string> plain = plain_native(path);
        plain && !through_twins(*plain) && stat(plain->c_str(), &status) == 0) {
      native = std::move(*plain);
      return Lookup::found;
    }
    Lookup lookup = native_for_writing(path, native, reason);
    if (lookup != Lookup::found || stat(native.c_str(), &status) == 0) return lookup;
    if (leads_nowhere(errno)) return Lookup::missing;
    reason = system_reason(errno);
    return Lookup::failed;
  }

  // The native path at which to create or replace the file named by a path text: its folder as
  // found on disk, its own name as written.
  Lookup native_for_writing(std::string_view path, std::string& native, std::string& reason) {
    std::size_t separator = path.rfind('\\');
    std::string_view folder = separator == std::string_view::npos ? "." : path.substr(0, separator);
    struct stat status;
    Lookup lookup = find_existing(folder, native, status, reason);
    if (lookup != Lookup::found) return lookup;
    std::optional<std::string> name = plain_native(path.substr(separator + 1));
    if (!name) return Lookup::missing;
    native += '/';
    native += *name;
    return Lookup::found;
  }

  struct LastRead {
    std::string native_folder;
    std::shared_ptr<const FolderRead> read;
  };
  LastRead last_read_;
  FolderIndexCache indexes_;
  std::set<std::string, std::less<>> folders_with_twins_;  // by folder_key
  std::vector<std::pair<dev_t, int>> devices_;  // a descriptor on each file system written to
};

bool PosixWritableFile::close(std::string& reason) {
  bool noted = file_system_.note_written(descriptor_, reason);
  int descriptor = std::exchange(descriptor_, -1);
  // Linux closes the descriptor even when close is interrupted.
  if (::close(descriptor) != 0 && errno != EINTR) {
    if (noted) reason = system_reason(errno);
    return false;
  }
  return noted;
}

PosixFileSystem& posix_file_system() {
  static PosixFileSystem instance;
  return instance;
}

}  // namespace

FileSystem& native_file_system() { return posix_file_system(); }

bool prepare_process(std::string& reason) {
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor: this one, the ones below it being open by now.
    int null = open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY);
    if (null != descriptor) {
      reason = "cannot open /dev/null: " + system_reason(null < 0 ? errno : EBADF);
      return false;
    }
  }
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  struct sigaction action {};
  action.sa_handler = remove_files_in_flight;
  action.sa_mask = interruption_signals();
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction previous {};
    // An interruption the caller chose to ignore (nohup, a background job) stays ignored.
    if (sigaction(signal_number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
      continue;
    sigaction(signal_number, &action, nullptr);
  }
  return true;
}

void reset_platform_state() {
  posix_file_system().forget_reads();
  reset_code_page();
  reset_console();
}
