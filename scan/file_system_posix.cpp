// The file system on POSIX systems, answering as the Win32 "A" functions would: names are
// delivered in the device's code page and paths converted back to UTF-8, backslashes separate
// folders, names are found whatever their ASCII case and trailing spaces or dots, patterns
// ignore ASCII case, a symbolic link counts as what it points to, and every folder is listed in
// one fixed order.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <tuple>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "scan/code_page.h"
#include "scan/code_page_posix.h"
#include "scan/console.h"
#include "scan/file_system.h"
#include "scan/names.h"

namespace {

std::string system_reason(int error_number) { return std::strerror(error_number); }

// The file system's spelling of a path text, when it is spelled the obvious way.
std::optional<std::string> plain_native(std::string_view path) {
  std::string native;
  if (!code_page_to_utf8(path, native)) return std::nullopt;
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

struct FolderName {
  std::string key;   // as Windows compares names (see windows_name_key)
  std::string text;  // the program's text: code-page bytes
  std::string name;  // the file system's name
};

// The names of one folder keyed as Windows compares names, for finding a name that is not
// spelled as it is on disk. Sorted by key; equal keys in byte order of the text.
using FolderIndex = std::vector<FolderName>;

FolderIndex index_folder(const std::string& native_folder) {
  FolderIndex index;
  std::error_code error;
  for (std::filesystem::directory_iterator entries(native_folder, error);
       !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
    FolderName entry;
    entry.name = entries->path().filename().string();
    if (file_system_name_to_code_page(entry.name, entry.text) == NameConversion::not_representable)
      continue;
    entry.key = windows_name_key(entry.text);
    index.push_back(std::move(entry));
  }
  std::sort(index.begin(), index.end(), [](const FolderName& left, const FolderName& right) {
    return std::tie(left.key, left.text) < std::tie(right.key, right.text);
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
    if (names_ + index.size() > kMaxNames) {
      indexes_.clear();
      names_ = 0;
    }
    names_ += index.size();
    return indexes_.emplace(native_folder, std::move(index)).first->second;
  }

 private:
  static constexpr std::size_t kMaxNames = 1 << 18;
  std::unordered_map<std::string, FolderIndex> indexes_;
  std::size_t names_ = 0;
};

FolderIndexCache folder_indexes;

// The name in the folder that Windows would open for component, if any: the name as written
// when it exists, else one equal to it without regard to ASCII case and trailing spaces or dots.
std::optional<std::string> find_in_folder(const std::string& native_folder,
                                          std::string_view component) {
  const FolderIndex& index = folder_indexes.index_of(native_folder);
  std::string key = windows_name_key(component);
  auto first = std::lower_bound(index.begin(), index.end(), key,
                                [](const FolderName& entry, const std::string& wanted) {
                                  return entry.key < wanted;
                                });
  auto last = std::find_if(first, index.end(),
                           [&key](const FolderName& entry) { return entry.key != key; });
  if (first == last) return std::nullopt;
  for (auto it = first; it != last; ++it)
    if (it->text == component) return it->name;
  return first->name;
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
  namespace fs = std::filesystem;
  struct stat status;
  std::optional<std::string> native_folder = find_existing(folder, status);
  if (!native_folder) return;
  std::error_code error;
  fs::directory_iterator entries(*native_folder, error);
  // Kept names back to back, each ended by a zero byte: a folder of 100,000 tracks costs one
  // buffer, not 100,000 strings.
  std::string names;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> kept;  // where each name starts, its length
  std::string text;
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    std::string name = entries->path().filename().string();
    if (!matches_pattern(name, pattern)) continue;
    std::error_code status_error;
    bool wanted = kind == EntryKind::directories ? entries->is_directory(status_error)
                                                 : entries->is_regular_file(status_error);
    if (!wanted) continue;
    std::string shown = std::strcmp(folder, ".\\") == 0 ? name : display_text(folder) + "\\" + name;
    // A diagnostic stays one line whatever the name holds.
    std::replace_if(shown.begin(), shown.end(), [](char c) { return c >= 0 && c < 0x20; }, '?');
    if (file_system_name_to_code_page(name, text) == NameConversion::not_representable) {
      // The player could never find it: its name has no spelling in the device's code page.
      warn_once("skipping %s: code page %s has no characters for this name", shown.c_str(),
                code_page_name().c_str());
      continue;
    }
    if (!is_portable_name(text)) {
      warn_once("skipping %s: a Windows player cannot use a name holding control characters or "
                "any of \" * : < > ? \\ |",
                shown.c_str());
      continue;
    }
    kept.emplace_back(static_cast<std::uint32_t>(names.size()), static_cast<std::uint32_t>(text.size()));
    names.append(text).push_back('\0');
  }
  // Deliver only after the folder is closed: visitors may list other folders.
  entries = fs::directory_iterator();
  auto name_at = [&names](const std::pair<std::uint32_t, std::uint32_t>& place) {
    return std::string_view(names).substr(place.first, place.second);
  };
  std::sort(kept.begin(), kept.end(), [&name_at](const auto& left, const auto& right) {
    return listing_order(name_at(left), name_at(right));
  });
  for (const auto& place : kept) visitor(context, folder, names.c_str() + place.first);
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
  std::optional<std::string> native_source = native_for_writing(source);
  std::optional<std::string> native_target = native_for_writing(target);
  if (native_source && native_target &&
      std::rename(native_source->c_str(), native_target->c_str()) == 0)
    return true;
  reason = system_reason(native_source && native_target ? errno : ENOENT);
  return false;
}

void remove_file(const char* path) {
  if (std::optional<std::string> native = native_for_writing(path)) unlink(native->c_str());
}

bool change_working_folder(const char* path, std::string& reason) {
  if (chdir(path) == 0) return true;
  reason = system_reason(errno);
  return false;
}
