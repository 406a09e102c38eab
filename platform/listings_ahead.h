// A device that lists the folders a run is about to work through ahead of it, on a thread of its
// own, so that the file system's work overlaps the program's: it wraps any device, and passes
// every other call on. It stays a few listings ahead at most, counting the one the run works on,
// so that little memory is held (beside a large folder, nothing is listed ahead); a folder asked
// for out of turn is simply listed then. A listing that fails gives its failure when its folder
// is asked for; one that runs out of memory stops the thread, and what is left is listed as it is
// asked for.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/device.h"

// How far ahead listings go.
struct ListingLimits {
  std::size_t listings = 16;     // ready and waiting
  std::size_t bytes = 4u << 20;  // that they hold, with the one the run took last
};

class ListingsAhead : public Device {
 public:
  explicit ListingsAhead(Device& device, ListingLimits limits = {});
  ~ListingsAhead() override;
  ListingsAhead(const ListingsAhead&) = delete;
  ListingsAhead& operator=(const ListingsAhead&) = delete;

  bool list(const std::string& folder, DeviceListing& listing, DeviceError& error) override;
  // Begins listing these folders, in this order, in place of any planned before.
  void will_list(const std::vector<std::string>& folders) override;

  std::unique_ptr<ReadableFile> open(const std::string& path, DeviceError& error) override;
  std::unique_ptr<WritableFile> create(const std::string& path, DeviceError& error) override;
  bool sync(const std::vector<std::string>& paths, DeviceError& error) override;
  bool rename(const std::string& from, const std::string& to, DeviceError& error) override;
  bool remove(const std::string& path, DeviceError& error) override;
  bool identify(const std::string& folder, FolderIdentity& identity, DeviceError& error) override;
  std::unique_ptr<FolderLock> lock(DeviceError& error) override;
  bool change_working_folder(const std::string& given, DeviceError& error) override;
  std::string working_folder() override;
  std::unique_ptr<ReadableFile> open_given(const std::string& given, DeviceError& error) override;
  std::string absolute_path(const std::string& given) override;

 private:
  class Thread;
  Device& device_;
  ListingLimits limits_;
  std::unique_ptr<Thread> thread_;
};
