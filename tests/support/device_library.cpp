#include "tests/support/device_library.h"

#include <system_error>

#include "core/names.h"
#include "tests/support/library.h"
#include "tests/support/memory_device.h"

namespace fs = std::filesystem;

namespace {

// A path given in UTF-8 (or, on POSIX, other bytes), as the file system spells it.
fs::path path_of(const std::string& path) {
  if (!is_valid_utf8(path)) return fs::path(path);
  return fs::path(std::u8string(path.begin(), path.end()));
}

}  // namespace

DeviceLibrary::DeviceLibrary(Kind kind) : kind_(kind) {
  if (kind != Kind::native) {
    auto memory = std::make_unique<MemoryDevice>();
    memory->set_listed_in_player_order(kind == Kind::memory_in_player_order);
    memory_ = memory.get();
    device_ = std::move(memory);
    return;
  }
  root_.emplace();
  fs::create_directory(root_->path() / "Music");
  previous_folder_ = fs::current_path();
  fs::current_path(root_->path() / "Music");
  device_ = make_native_device();
  write_bytes("case", "");
  case_sensitive_ = !fs::exists("CASE");
  fs::remove("case");
}

DeviceLibrary::~DeviceLibrary() {
  if (root_) fs::current_path(previous_folder_);
}

const char* DeviceLibrary::name() const {
  return kind_ == Kind::native ? "native" : kind_ == Kind::memory ? "memory" : "memory, FAT order";
}

void DeviceLibrary::make(const std::vector<std::string>& paths, const std::string& bytes) {
  for (const std::string& path : paths) {
    if (memory_ != nullptr) {
      memory_->make(path.starts_with("../") ? path.substr(2) : path, bytes);
      continue;
    }
    if (path.ends_with('/')) {
      fs::create_directories(path_of(path));
      continue;
    }
    if (path_of(path).has_parent_path()) fs::create_directories(path_of(path).parent_path());
    write_bytes(path_of(path), bytes);
  }
}

bool DeviceLibrary::make_link(const std::string& path, const std::string& target) {
  if (memory_ != nullptr) {
    memory_->make_link(path, target);
    return true;
  }
  std::error_code error;
  fs::create_directory_symlink(path_of(target), path_of(path), error);
  return !error;
}

bool DeviceLibrary::swap_for_link(const std::string& folder, const std::string& moved_to,
                                  const std::string& target) {
  if (memory_ != nullptr) {
    DeviceError error;
    if (!memory_->rename(folder, moved_to, error)) return false;
    memory_->make_link(folder, target);
    return true;
  }
  std::error_code error;
  fs::rename(path_of(folder), path_of(moved_to), error);
  if (error) return false;
  if (make_link(folder, target)) return true;
  // A device that holds no links: the folder goes back, unswapped.
  fs::rename(path_of(moved_to), path_of(folder));
  return false;
}

std::optional<std::string> DeviceLibrary::contents(const std::string& path) const {
  if (memory_ != nullptr) return memory_->contents(path);
  if (!fs::is_regular_file(path_of(path))) return std::nullopt;
  return read_bytes(path_of(path));
}
