#include "tests/support/memory_device.h"

#include <algorithm>
#include <new>
#include <utility>

struct MemoryDevice::Node {
  enum class Kind { folder, file, link } kind;
  std::uint64_t id;
  using Children = std::vector<std::pair<std::string, std::shared_ptr<Node>>>;
  Children children;  // of a folder, in the order they were made
  Children durable_children;
  bool volume_root = false;  // the root of a file system of its own
  std::string data;          // of a file
  std::string durable_data;
  bool read_only = false;
  std::string target;  // of a link

  std::shared_ptr<Node> child(const std::string& name) const {
    for (const auto& [child_name, node] : children)
      if (child_name == name) return node;
    return nullptr;
  }
  void remove_child(const std::string& name) {
    std::erase_if(children, [&name](const auto& child) { return child.first == name; });
  }
};

struct MemoryDevice::Place {
  std::shared_ptr<Node> folder;
  std::string name;
};

namespace {

using Node = MemoryDevice::Node;
using Path = std::vector<std::string>;

DeviceError error_of(DeviceError::Kind kind, std::string reason) {
  return {kind, std::move(reason)};
}

const char* const kNoSuchFile = "No such file or directory";

std::shared_ptr<Node> node_of(const std::shared_ptr<Node>& root, const Path& path) {
  std::shared_ptr<Node> node = root;
  for (const std::string& name : path) {
    if (node == nullptr || node->kind != Node::Kind::folder) return nullptr;
    node = node->child(name);
  }
  return node;
}

// The absolute path a path names from base, following links on the way (and the last one when
// follow_last); nothing when a folder on the way is missing.
std::optional<Path> absolute(const std::shared_ptr<Node>& root, const std::string& path, Path base,
                             bool follow_last, int depth = 0) {
  if (depth > 40) return std::nullopt;
  Path at = path.starts_with('/') ? Path() : std::move(base);
  std::vector<std::string> parts;
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = std::min(path.find('/', start), path.size());
    std::string part = path.substr(start, end - start);
    if (!part.empty() && part != ".") parts.push_back(part);
    start = end + 1;
  }
  for (std::size_t index = 0; index < parts.size(); ++index) {
    const std::string& part = parts[index];
    bool last = index + 1 == parts.size();
    if (part == "..") {
      if (!at.empty()) at.pop_back();
      continue;
    }
    std::shared_ptr<Node> folder = node_of(root, at);
    if (folder == nullptr || folder->kind != Node::Kind::folder) return std::nullopt;
    std::shared_ptr<Node> child = folder->child(part);
    if (child != nullptr && child->kind == Node::Kind::link && (!last || follow_last)) {
      std::optional<Path> target = absolute(root, child->target, at, true, depth + 1);
      if (!target) return std::nullopt;
      at = std::move(*target);
      continue;
    }
    if (child == nullptr && !last) return std::nullopt;
    at.push_back(part);
  }
  return at;
}

EntryType type_of(const std::shared_ptr<Node>& root, const Path& folder,
                  const std::shared_ptr<Node>& node) {
  std::shared_ptr<Node> target = node;
  if (node->kind == Node::Kind::link) {
    std::optional<Path> path = absolute(root, node->target, folder, true);
    target = path ? node_of(root, *path) : nullptr;
  }
  if (target == nullptr || target->kind == Node::Kind::link) return EntryType::other;
  return target->kind == Node::Kind::folder ? EntryType::folder : EntryType::file;
}

void restore(Node& node, bool changes_kept) {
  if (!changes_kept) node.children = node.durable_children;
  node.durable_children = node.children;
  node.data = node.durable_data;
  for (auto& [name, child] : node.children) restore(*child, changes_kept);
}

void collect_tree(const Node& folder, const std::string& prefix, std::vector<std::string>& names) {
  for (const auto& [name, child] : folder.children) {
    bool is_folder = child->kind == Node::Kind::folder;
    names.push_back(prefix + name + (is_folder ? "/" : ""));
    if (is_folder) collect_tree(*child, prefix + name + "/", names);
  }
}

}  // namespace

class MemoryFile : public ReadableFile, public WritableFile {
 public:
  MemoryFile(MemoryDevice& device, std::string path, std::shared_ptr<Node> node)
      : device_(device), path_(std::move(path)), node_(std::move(node)), data_(node_->data) {}

  bool read(char* buffer, std::size_t size, std::size_t& count, DeviceError& error) override {
    MutexLock lock(device_.mutex_);
    count = 0;
    if (device_.injected(MemoryDevice::Operation::read, path_, error) || !device_.powered(error))
      return false;
    count = data_.copy(buffer, size, position_);
    position_ += count;
    return true;
  }
  bool read_only() const override {
    MutexLock lock(device_.mutex_);
    return node_->read_only;
  }

  bool append(std::string_view data, DeviceError& error) override {
    MutexLock lock(device_.mutex_);
    if (device_.injected(MemoryDevice::Operation::write, path_, error) || !device_.powered(error))
      return false;
    node_->data.append(data);
    return true;
  }
  bool close(DeviceError& error) override {
    MutexLock lock(device_.mutex_);
    return !device_.injected(MemoryDevice::Operation::close, path_, error) &&
           device_.powered(error);
  }

 private:
  MemoryDevice& device_;
  std::string path_;
  std::shared_ptr<Node> node_;
  std::string data_;  // as it was when opened for reading
  std::size_t position_ = 0;
};

class MemoryLock : public FolderLock {
 public:
  // Made with the device's mutex held.
  explicit MemoryLock(MemoryDevice& device) REQUIRES(device.mutex_) : device_(device) {
    device_.locked_ = true;
  }
  ~MemoryLock() override {
    MutexLock lock(device_.mutex_);
    device_.locked_ = false;
  }
  MemoryLock(const MemoryLock&) = delete;
  MemoryLock& operator=(const MemoryLock&) = delete;

 private:
  MemoryDevice& device_;
};

MemoryDevice::MemoryDevice() {
  MutexLock lock(mutex_);
  root_ = std::make_shared<Node>();
  root_->kind = Node::Kind::folder;
  working_folder_ = {"Music"};
  make_unlocked("", "");
}

MemoryDevice::~MemoryDevice() = default;

void MemoryDevice::make(const std::string& path, const std::string& bytes) {
  MutexLock lock(mutex_);
  make_unlocked(path, bytes);
}

void MemoryDevice::make_unlocked(const std::string& path, const std::string& bytes) {
  std::shared_ptr<Node> folder = root_;
  std::vector<std::string> parts;
  std::string whole = path.starts_with('/') ? path.substr(1) : path;
  if (!path.starts_with('/')) {
    std::string prefix;
    for (const std::string& name : working_folder_) prefix += name + "/";
    whole = prefix + whole;
  }
  for (std::size_t start = 0; start < whole.size();) {
    std::size_t end = std::min(whole.find('/', start), whole.size());
    parts.push_back(whole.substr(start, end - start));
    start = end + 1;
  }
  bool file = !whole.empty() && !whole.ends_with('/');
  for (std::size_t index = 0; index < parts.size(); ++index) {
    bool last = index + 1 == parts.size();
    std::shared_ptr<Node> child = folder->child(parts[index]);
    if (child == nullptr) {
      child = std::make_shared<Node>();
      child->kind = last && file ? Node::Kind::file : Node::Kind::folder;
      child->id = next_id_++;
      folder->children.emplace_back(parts[index], child);
      folder->durable_children = folder->children;
    }
    if (last && file) child->data = child->durable_data = bytes;
    folder = child;
  }
}

void MemoryDevice::make_link(const std::string& path, const std::string& target) {
  MutexLock lock(mutex_);
  if (std::size_t separator = path.rfind('/'); separator != std::string::npos)
    make_unlocked(path.substr(0, separator + 1), "");
  std::optional<Place> place = place_of(path);
  auto link = std::make_shared<Node>();
  link->kind = Node::Kind::link;
  link->id = next_id_++;
  link->target = target;
  place->folder->children.emplace_back(place->name, link);
  place->folder->durable_children = place->folder->children;
}

void MemoryDevice::set_read_only(const std::string& path) {
  MutexLock lock(mutex_);
  node_at(path)->read_only = true;
}

void MemoryDevice::set_read_only_medium(bool read_only) {
  MutexLock lock(mutex_);
  read_only_medium_ = read_only;
}

void MemoryDevice::set_listed_in_player_order(bool in_player_order) {
  MutexLock lock(mutex_);
  in_player_order_ = in_player_order;
}

void MemoryDevice::make_volume(const std::string& folder) {
  MutexLock lock(mutex_);
  node_at(folder)->volume_root = true;
}

void MemoryDevice::on_list(std::function<void(const std::string& folder)> hook) {
  list_hook_ = std::move(hook);
}

std::vector<std::string> MemoryDevice::events() const {
  MutexLock lock(mutex_);
  return events_;
}

std::optional<std::string> MemoryDevice::contents(const std::string& path) const {
  MutexLock lock(mutex_);
  std::shared_ptr<Node> node = node_at(path);
  if (node == nullptr || node->kind != Node::Kind::file) return std::nullopt;
  return node->data;
}

std::vector<std::string> MemoryDevice::tree() const {
  MutexLock lock(mutex_);
  std::vector<std::string> names;
  collect_tree(*node_of(root_, working_folder_), "", names);
  std::sort(names.begin(), names.end());
  return names;
}

void MemoryDevice::fail(Operation operation, const std::string& path, DeviceError error) {
  MutexLock lock(mutex_);
  faults_.push_back({operation, path, std::move(error)});
}

void MemoryDevice::clear_faults() {
  MutexLock lock(mutex_);
  faults_.clear();
}

void MemoryDevice::cut_power_after(std::size_t events) {
  MutexLock lock(mutex_);
  events_until_cut_ = events;
  power_cut_ = events == 0;
}

void MemoryDevice::restore_power(bool changes_kept) {
  MutexLock lock(mutex_);
  restore(*root_, changes_kept);
  power_cut_ = false;
  events_until_cut_.reset();
}

bool MemoryDevice::injected(Operation operation, const std::string& path, DeviceError& error) {
  for (const Fault& fault : faults_) {
    if (fault.operation != operation || (!fault.path.empty() && fault.path != path)) continue;
    if (fault.error.reason == "out of memory") throw std::bad_alloc();
    error = fault.error;
    return true;
  }
  return false;
}

bool MemoryDevice::powered(DeviceError& error) const {
  if (!power_cut_) return true;
  error = error_of(DeviceError::Kind::other, "Input/output error");
  return false;
}

bool MemoryDevice::changeable(DeviceError& error) const {
  if (!read_only_medium_) return true;
  error = error_of(DeviceError::Kind::other, "Read-only file system");
  return false;
}

void MemoryDevice::boundary(std::string event) {
  events_.push_back(std::move(event));
  if (events_until_cut_ && *events_until_cut_ > 0 && --*events_until_cut_ == 0) power_cut_ = true;
}

std::optional<MemoryDevice::Place> MemoryDevice::place_of(const std::string& path) {
  std::size_t separator = path.rfind('/');
  std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  std::shared_ptr<Node> folder =
      folder_at(separator == std::string::npos ? "." : path.substr(0, separator));
  if (folder == nullptr) return std::nullopt;
  return Place{folder, name};
}

std::shared_ptr<Node> MemoryDevice::folder_at(const std::string& path) {
  const std::string& folder = path.empty() ? "." : path;
  if (auto bound = bound_.find(folder); bound != bound_.end()) return bound->second;
  std::shared_ptr<Node> node = node_at(folder);
  if (node == nullptr || node->kind != Node::Kind::folder) return nullptr;
  bound_.emplace(folder, node);
  return node;
}

namespace {

bool find_path(const std::shared_ptr<Node>& at, const std::shared_ptr<Node>& wanted, Path& path) {
  if (at == wanted) return true;
  for (const auto& [name, child] : at->children) {
    if (child->kind != Node::Kind::folder) continue;
    path.push_back(name);
    if (find_path(child, wanted, path)) return true;
    path.pop_back();
  }
  return false;
}

}  // namespace

std::vector<std::string> MemoryDevice::path_of(const std::shared_ptr<Node>& folder) const {
  Path path;
  find_path(root_, folder, path);
  return path;
}

std::shared_ptr<Node> MemoryDevice::node_at(const std::string& path, bool follow_last) const {
  std::optional<Path> at = absolute(root_, path, working_folder_, follow_last);
  return at ? node_of(root_, *at) : nullptr;
}

bool MemoryDevice::list(const std::string& folder, DeviceListing& listing, DeviceError& error) {
  if (list_hook_) list_hook_(folder);
  MutexLock lock(mutex_);
  if (injected(Operation::list, folder, error) || !powered(error)) return false;
  std::shared_ptr<Node> node = folder_at(folder);
  if (node == nullptr) {
    error = error_of(DeviceError::Kind::missing,
                     node_at(folder) == nullptr ? kNoSuchFile : "Not a directory");
    return false;
  }
  listing = {};
  listing.in_player_order = in_player_order_;
  for (const auto& [name, child] : node->children)
    listing.add(name, type_of(root_, path_of(node), child), child->kind == Node::Kind::link);
  return true;
}

std::unique_ptr<ReadableFile> MemoryDevice::open(const std::string& path, DeviceError& error) {
  MutexLock lock(mutex_);
  return open_unlocked(path, error);
}

std::unique_ptr<ReadableFile> MemoryDevice::open_unlocked(const std::string& path,
                                                          DeviceError& error) {
  if (injected(Operation::open, path, error) || !powered(error)) return nullptr;
  std::optional<Place> place = place_of(path);
  std::shared_ptr<Node> node = place ? place->folder->child(place->name) : nullptr;
  if (node != nullptr && node->kind == Node::Kind::link) {
    std::optional<Path> target = absolute(root_, node->target, path_of(place->folder), true);
    node = target ? node_of(root_, *target) : nullptr;
  }
  if (node == nullptr || node->kind != Node::Kind::file) {
    error = node == nullptr ? error_of(DeviceError::Kind::missing, kNoSuchFile)
                            : error_of(DeviceError::Kind::other, "is a folder");
    return nullptr;
  }
  return std::make_unique<MemoryFile>(*this, path, node);
}

std::unique_ptr<WritableFile> MemoryDevice::create(const std::string& path, DeviceError& error) {
  MutexLock lock(mutex_);
  if (injected(Operation::create, path, error) || !powered(error) || !changeable(error))
    return nullptr;
  std::optional<Place> place = place_of(path);
  if (!place) {
    error = error_of(DeviceError::Kind::missing, kNoSuchFile);
    return nullptr;
  }
  if (place->folder->child(place->name) != nullptr) {
    error = error_of(DeviceError::Kind::exists, "File exists");
    return nullptr;
  }
  auto file = std::make_shared<Node>();
  file->kind = Node::Kind::file;
  file->id = next_id_++;
  place->folder->children.emplace_back(place->name, file);
  return std::make_unique<MemoryFile>(*this, path, file);
}

bool MemoryDevice::sync(const std::vector<std::string>& paths, DeviceError& error) {
  MutexLock lock(mutex_);
  std::string event = "sync";
  for (const std::string& path : paths) event += " " + path;
  if (injected(Operation::sync, "", error) || !powered(error)) return false;
  for (const std::string& path : paths) {
    std::optional<Place> place = place_of(path);
    if (!place) continue;
    place->folder->durable_children = place->folder->children;
    if (std::shared_ptr<Node> file = place->folder->child(place->name))
      file->durable_data = file->data;
  }
  boundary(event);
  return true;
}

bool MemoryDevice::rename(const std::string& from, const std::string& to, DeviceError& error) {
  MutexLock lock(mutex_);
  if (injected(Operation::rename, to, error) || !powered(error) || !changeable(error)) return false;
  std::optional<Place> source = place_of(from);
  std::optional<Place> target = place_of(to);
  std::shared_ptr<Node> file = source ? source->folder->child(source->name) : nullptr;
  if (file == nullptr || !target) {
    error = error_of(DeviceError::Kind::missing, kNoSuchFile);
    return false;
  }
  std::shared_ptr<Node> replaced = target->folder->child(target->name);
  if (replaced != nullptr && replaced->kind == Node::Kind::folder) {
    error = error_of(DeviceError::Kind::other, "Is a directory");
    return false;
  }
  source->folder->remove_child(source->name);
  target->folder->remove_child(target->name);
  target->folder->children.emplace_back(target->name, file);
  boundary("rename " + from + " " + to);
  return true;
}

bool MemoryDevice::remove(const std::string& path, DeviceError& error) {
  MutexLock lock(mutex_);
  // A file system mounted read-only refuses before it looks: nothing there is no exception.
  if (injected(Operation::remove, path, error) || !powered(error) || !changeable(error))
    return false;
  std::optional<Place> place = place_of(path);
  std::shared_ptr<Node> node = place ? place->folder->child(place->name) : nullptr;
  if (node == nullptr) return true;
  if (node->kind == Node::Kind::folder) {
    error = error_of(DeviceError::Kind::other, "Is a directory");
    return false;
  }
  place->folder->remove_child(place->name);
  return true;
}

bool MemoryDevice::identify(const std::string& folder, FolderIdentity& identity,
                            DeviceError& error) {
  MutexLock lock(mutex_);
  if (injected(Operation::identify, folder, error) || !powered(error)) return false;
  std::shared_ptr<Node> node = folder_at(folder);
  if (node == nullptr) {
    error = error_of(DeviceError::Kind::missing, kNoSuchFile);
    return false;
  }
  // The file system it is on: that of the nearest folder holding it that is a root of one.
  std::uint64_t volume = 0;
  std::shared_ptr<Node> at = root_;
  for (const std::string& name : path_of(node)) {
    if (at->volume_root) volume = at->id;
    at = at->child(name);
  }
  if (at != nullptr && at->volume_root) volume = at->id;
  identity = {volume, node->id};
  return true;
}

std::unique_ptr<FolderLock> MemoryDevice::lock(DeviceError& error) {
  MutexLock lock(mutex_);
  if (injected(Operation::lock, "", error) || !powered(error)) return nullptr;
  if (locked_) {
    error = error_of(DeviceError::Kind::busy, "Resource temporarily unavailable");
    return nullptr;
  }
  return std::make_unique<MemoryLock>(*this);
}

bool MemoryDevice::change_working_folder(const std::string& given, DeviceError& error) {
  MutexLock lock(mutex_);
  std::optional<Path> at = absolute(root_, given, working_folder_, true);
  std::shared_ptr<Node> node = at ? node_of(root_, *at) : nullptr;
  if (node == nullptr || node->kind != Node::Kind::folder) {
    error = error_of(DeviceError::Kind::missing, kNoSuchFile);
    return false;
  }
  working_folder_ = *at;
  bound_.clear();
  return true;
}

std::string MemoryDevice::working_folder() {
  MutexLock lock(mutex_);
  std::string path;
  for (const std::string& name : working_folder_) path += "/" + name;
  return path.empty() ? "/" : path;
}

std::unique_ptr<ReadableFile> MemoryDevice::open_given(const std::string& given,
                                                       DeviceError& error) {
  return open(given, error);
}

std::string MemoryDevice::absolute_path(const std::string& given) {
  return given.starts_with('/') ? given : working_folder() + "/" + given;
}
