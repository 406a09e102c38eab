#include "platform/file_system_faulty.h"

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace {

struct Fault {
  FileOperation operation;
  std::string path;
  int error;
};

std::vector<Fault> faults;

bool injected(FileOperation operation, const std::string& path, std::string& reason) {
  for (const Fault& fault : faults)
    if (fault.operation == operation && (fault.path.empty() || fault.path == path)) {
      reason = std::strerror(fault.error);
      return true;
    }
  return false;
}

class FaultyReadableFile : public ReadableFile {
 public:
  FaultyReadableFile(std::unique_ptr<ReadableFile> file, std::string path)
      : file_(std::move(file)), path_(std::move(path)) {}
  bool read(char* buffer, std::size_t size, std::size_t& count, std::string& reason) override {
    return !injected(FileOperation::read, path_, reason) &&
           file_->read(buffer, size, count, reason);
  }

 private:
  std::unique_ptr<ReadableFile> file_;
  std::string path_;
};

class FaultyWritableFile : public WritableFile {
 public:
  FaultyWritableFile(std::unique_ptr<WritableFile> file, std::string path)
      : file_(std::move(file)), path_(std::move(path)) {}
  bool append(std::string_view data, std::string& reason) override {
    return !injected(FileOperation::write, path_, reason) && file_->append(data, reason);
  }
  bool close(std::string& reason) override {
    bool closed = file_->close(reason);
    return !injected(FileOperation::close, path_, reason) && closed;
  }

 private:
  std::unique_ptr<WritableFile> file_;
  std::string path_;
};

class FaultyFileSystem : public FileSystem {
 public:
  explicit FaultyFileSystem(FileSystem& real) : real_(real) {}

  bool enumerate_entries(void* context, const char* folder, const char* pattern, EntryKind kind,
                         EntryVisitor visitor, std::string& reason) override {
    return !injected(FileOperation::list, folder, reason) &&
           real_.enumerate_entries(context, folder, pattern, kind, visitor, reason);
  }
  bool status_of(const char* path, FileStatus& status, std::string& reason) override {
    return !injected(FileOperation::examine, path, reason) && real_.status_of(path, status, reason);
  }
  bool look_up(const char* path, FileStatus& status, std::string& reason) override {
    return !injected(FileOperation::look_up, path, reason) && real_.look_up(path, status, reason);
  }
  std::unique_ptr<ReadableFile> open_file(const char* path, std::string& reason) override {
    if (injected(FileOperation::read, path, reason)) return nullptr;
    std::unique_ptr<ReadableFile> file = real_.open_file(path, reason);
    if (file == nullptr) return nullptr;
    return std::make_unique<FaultyReadableFile>(std::move(file), path);
  }
  std::unique_ptr<WritableFile> create_file(const char* path, std::string& reason) override {
    if (injected(FileOperation::create, path, reason)) return nullptr;
    std::unique_ptr<WritableFile> file = real_.create_file(path, reason);
    if (file == nullptr) return nullptr;
    return std::make_unique<FaultyWritableFile>(std::move(file), path);
  }
  bool sync(std::string& reason) override {
    return !injected(FileOperation::sync, "", reason) && real_.sync(reason);
  }
  bool replace_file(const char* source, const char* target, std::string& reason) override {
    return !injected(FileOperation::replace, target, reason) &&
           real_.replace_file(source, target, reason);
  }
  bool remove_file(const char* path, std::string& reason) override {
    return real_.remove_file(path, reason);
  }
  bool identify_folder(const char* path, FolderIdentity& identity, std::string& reason) override {
    return !injected(FileOperation::identify, path, reason) &&
           real_.identify_folder(path, identity, reason);
  }
  std::unique_ptr<ReadableFile> open_given_file(const char* path, std::string& reason) override {
    return real_.open_given_file(path, reason);
  }
  std::string absolute_path(const char* path) override { return real_.absolute_path(path); }
  bool change_working_folder(const char* path, std::string& reason) override {
    return real_.change_working_folder(path, reason);
  }
  std::string working_folder_shown() override { return real_.working_folder_shown(); }

 private:
  FileSystem& real_;
};

}  // namespace

FileSystem& file_system() {
  static FaultyFileSystem instance(native_file_system());
  return instance;
}

void inject_fault(FileOperation operation, std::string path, int error) {
  faults.push_back({operation, std::move(path), error});
}

void clear_faults() { faults.clear(); }
