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
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
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

namespace {

std::string system_reason(int error_number) { return std::strerror(error_number); }

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
  EntryType type;  // of what a link points to
};

// A folder's entries as read from the file system, in listing order. Names and texts lie back
// to back in one buffer, each ended by a zero byte: a folder of 100,000 tracks costs one
// buffer, not 100,000 strings.
struct FolderRead {
  std::string names;
  std::vector<ReadEntry> entries;
};

std::string_view text_of(const FolderRead& read, const ReadEntry& entry) {
  return std::string_view(read.names)
      .substr(entry.text == kNoText ? 0 : entry.text, entry.text_length);
}

EntryType type_of(DIR* folder, const dirent& entry) {
  if (entry.d_type == DT_DIR) return EntryType::directory;
  if (entry.d_type == DT_REG) return EntryType::regular;
  if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return EntryType::other;
  struct stat status;
  if (fstatat(dirfd(folder), entry.d_name, &status, 0) != 0) return EntryType::other;
  return S_ISDIR(status.st_mode)   ? EntryType::directory
         : S_ISREG(status.st_mode) ? EntryType::regular
                                   : EntryType::other;
}

std::shared_ptr<const FolderRead> read_folder_now(const std::string& native_folder) {
  auto read = std::make_shared<FolderRead>();
  DIR* folder = opendir(native_folder.c_str());
  if (folder == nullptr) return read;
  std::string text;
  while (const dirent* entry = readdir(folder)) {
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    ReadEntry read_entry{static_cast<std::uint32_t>(read->names.size()), kNoText, 0,
                         type_of(folder, *entry)};
    read->names.append(name).push_back('\0');
    NameConversion conversion = file_system_name_to_code_page(name, text);
    if (conversion != NameConversion::not_representable) {
      // Most names read the same in both: stored once.
      read_entry.text =
          text == name ? read_entry.name : static_cast<std::uint32_t>(read->names.size());
      read_entry.text_length = static_cast<std::uint32_t>(text.size());
      if (text != name) read->names.append(text).push_back('\0');
    }
    read->entries.push_back(read_entry);
  }
  closedir(folder);
  std::sort(read->entries.begin(), read->entries.end(),
            [&read](const ReadEntry& left, const ReadEntry& right) {
              return listing_order(text_of(*read, left), text_of(*read, right));
            });
  return read;
}

// The folder read last, kept for the next listing of the same folder: a folder's M3U search
// and its MP3 listing come one after the other and share one read. Anything the program
// writes or removes drops it, so a listing never misses the program's own work.
struct LastRead {
  std::string native_folder;
  std::shared_ptr<const FolderRead> read;
};

LastRead last_read;

std::shared_ptr<const FolderRead> read_folder(const std::string& native_folder) {
  if (last_read.read == nullptr || last_read.native_folder != native_folder)
    last_read = {native_folder, read_folder_now(native_folder)};
  return last_read.read;
}

void forget_last_read() { last_read = {}; }

// A folder's names in the order Windows compares them, for finding a name that is not spelled
// as it is on disk.
struct FolderIndex {
  std::shared_ptr<const FolderRead> read;
  std::vector<std::uint32_t> by_name;  // places in read->entries, by compare_windows_names
};

FolderIndex index_folder(const std::string& native_folder) {
  FolderIndex index{read_folder_now(native_folder), {}};
  const FolderRead& read = *index.read;
  for (std::uint32_t place = 0; place < read.entries.size(); ++place)
    if (read.entries[place].text != kNoText) index.by_name.push_back(place);
  std::stable_sort(index.by_name.begin(), index.by_name.end(), [&read](auto left, auto right) {
    return compare_windows_names(text_of(read, read.entries[left]),
                                 text_of(read, read.entries[right])) < 0;
  });
  return index;
}

// Folders indexed so far. An M3U names many tracks in few folders: each folder is listed once
// however many lines look into it. Bounded, so a run over a huge library stays small.
class FolderIndexCache {
 public:
  const FolderIndex& index_of(const std::string& native_folder) {
    auto found = indexes_.find(native_folder);
    if (found != indexes_.end()) return found->second;
    FolderIndex index = index_folder(native_folder);
    if (names_ + index.by_name.size() > kMaxNames) {
      indexes_.clear();
      names_ = 0;
    }
    names_ += index.by_name.size();
    return indexes_.emplace(native_folder, std::move(index)).first->second;
  }

 private:
  static constexpr std::size_t kMaxNames = 1 << 16;
  std::unordered_map<std::string, FolderIndex> indexes_;
  std::size_t names_ = 0;
};

FolderIndexCache folder_indexes;

// The name in the folder that Windows would open for component, if any: the name as written
// when it exists, else one equal to it without regard to ASCII case and trailing spaces or dots.
std::optional<std::string> find_in_folder(const std::string& native_folder,
                                          std::string_view component) {
  const FolderIndex& index = folder_indexes.index_of(native_folder);
  const FolderRead& read = *index.read;
  auto name_at = [&read](std::uint32_t place) { return text_of(read, read.entries[place]); };
  auto first = std::lower_bound(index.by_name.begin(), index.by_name.end(), component,
                                [&name_at](std::uint32_t place, std::string_view wanted) {
                                  return compare_windows_names(name_at(place), wanted) < 0;
                                });
  auto last = std::upper_bound(first, index.by_name.end(), component,
                               [&name_at](std::string_view wanted, std::uint32_t place) {
                                 return compare_windows_names(wanted, name_at(place)) < 0;
                               });
  if (first == last) return std::nullopt;
  auto chosen =
      std::find_if(first, last, [&](std::uint32_t place) { return name_at(place) == component; });
  return std::string(read.names.c_str() + read.entries[chosen == last ? *first : *chosen].name);
}

// Finds the file system's name for a path text that names something existing, and its status.
std::optional<std::string> find_existing(std::string_view path, struct stat& status) {
  std::optional<std::string> native = plain_native(path);
  if (native && stat(native->c_str(), &status) == 0) return native;

  std::string found = ".";
  while (!path.empty()) {
    std::size_t separator = path.find_first_of("\\/");
    std::string_view component = path.substr(0, separator);
    path = separator == std::string_view::npos ? std::string_view() : path.substr(separator + 1);
    if (component.empty() || component == ".") continue;
    if (component == "..") {
      found += "/..";
      continue;
    }
    std::optional<std::string> name = find_in_folder(found, component);
    if (!name) return std::nullopt;
    found += '/';
    found += *name;
  }
  if (stat(found.c_str(), &status) != 0) return std::nullopt;
  return found;
}

// The native path at which to create or replace the file named by a path text: its folder as
// found on disk, its own name as written. None when the folder is not there.
std::optional<std::string> native_for_writing(std::string_view path) {
  std::size_t separator = path.rfind('\\');
  std::string_view folder = separator == std::string_view::npos ? "." : path.substr(0, separator);
  struct stat status;
  std::optional<std::string> native = find_existing(folder, status);
  std::optional<std::string> name = plain_native(path.substr(separator + 1));
  if (!native || !name) return std::nullopt;
  return *native + '/' + *name;
}

std::optional<std::string> regular_file(const char* path, std::string& reason) {
  struct stat status;
  std::optional<std::string> native = find_existing(path, status);
  if (!native) {
    reason = system_reason(ENOENT);
  } else if (!S_ISREG(status.st_mode)) {
    reason = S_ISDIR(status.st_mode) ? "is a folder" : "not a regular file";
    native.reset();
  }
  return native;
}

// How a diagnostic names an entry: the folder's text and the file system's name.
std::string shown_name(const char* folder, std::string_view name) {
  if (std::strcmp(folder, ".\\") == 0) return std::string(name);
  return display_text(folder) + "\\" + std::string(name);
}

std::FILE* stream_of(int descriptor, const char* mode, std::string& reason) {
  std::FILE* stream = fdopen(descriptor, mode);
  if (stream == nullptr) {
    reason = system_reason(errno);
    close(descriptor);
  }
  return stream;
}

}  // namespace

void enumerate_entries(void* context, const char* folder, const char* pattern, EntryKind kind,
                       EntryVisitor visitor) {
  struct stat status;
  std::optional<std::string> native_folder = find_existing(folder, status);
  if (!native_folder) return;
  // Held, not borrowed: a visitor may list other folders meanwhile.
  std::shared_ptr<const FolderRead> read = read_folder(*native_folder);
  EntryType wanted = kind == EntryKind::directories ? EntryType::directory : EntryType::regular;
  for (const ReadEntry& entry : read->entries) {
    const char* name = read->names.c_str() + entry.name;
    if (entry.type != wanted || fnmatch(pattern, name, FNM_CASEFOLD) != 0) continue;
    if (entry.text == kNoText) {
      // The player could never find it: its name has no spelling in the device's code page.
      warn_once("skipping %s: code page %s has no characters for this name",
                shown_name(folder, name).c_str(), code_page_name().c_str());
      continue;
    }
    const char* text = read->names.c_str() + entry.text;
    if (!is_portable_name(text)) {
      warn_once(
          "skipping %s: a Windows player cannot use a name holding control characters or "
          "any of \" * : < > ? \\ |",
          shown_name(folder, name).c_str());
      continue;
    }
    visitor(context, folder, text);
  }
}

bool is_regular_file(const char* path) {
  std::string ignored;
  return regular_file(path, ignored).has_value();
}

std::FILE* open_regular_file(const char* path, std::string& reason) {
  std::optional<std::string> native = regular_file(path, reason);
  if (!native) return nullptr;
  // Non-blocking, and checked again once open: the name may have been replaced meanwhile.
  int descriptor = open(native->c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) {
    reason = system_reason(errno);
    return nullptr;
  }
  struct stat status;
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    reason = "not a regular file";
    close(descriptor);
    return nullptr;
  }
  return stream_of(descriptor, "rb", reason);
}

std::FILE* create_file(const char* path, std::string& reason) {
  std::optional<std::string> native = native_for_writing(path);
  if (!native) {
    reason = system_reason(ENOENT);
    return nullptr;
  }
  forget_last_read();
  // A stale file of this name may be a link or a pipe left by someone else: never write
  // through it, start afresh.
  unlink(native->c_str());
  int descriptor = open(native->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (descriptor < 0) {
    reason = system_reason(errno);
    return nullptr;
  }
  return stream_of(descriptor, "wb", reason);
}

bool replace_file(const char* source, const char* target, std::string& reason) {
  forget_last_read();
  std::optional<std::string> native_source = native_for_writing(source);
  std::optional<std::string> native_target = native_for_writing(target);
  if (native_source && native_target &&
      std::rename(native_source->c_str(), native_target->c_str()) == 0)
    return true;
  reason = system_reason(native_source && native_target ? errno : ENOENT);
  return false;
}

void remove_file(const char* path) {
  forget_last_read();
  if (std::optional<std::string> native = native_for_writing(path)) unlink(native->c_str());
}

bool change_working_folder(const char* path, std::string& reason) {
  if (chdir(path) == 0) return true;
  reason = system_reason(errno);
  return false;
}
