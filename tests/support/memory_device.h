// A device in memory, for the tests: a tree of folders, files and links that fails chosen calls
// with chosen errors, records the calls that make things durable, and can cut the power,
// dropping everything not yet synced. Names are bytes and case counts, as on a POSIX file system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/device.h"

class MemoryDevice : public Device {
 public:
  enum class Operation {
    list,
    open,
    read,
    create,
    write,
    close,
    sync,
    rename,
    remove,
    identify,
    lock
  };

  // The working folder is /Music.
  MemoryDevice();
  ~MemoryDevice() override;

  // Setting up, with paths relative to the working folder: a path ending in "/" makes a folder,
  // any other a file holding bytes; folders on the way are made.
  void make(const std::string& path, const std::string& bytes = "");
  // A symbolic link at path, leading to target (relative to the link's folder, or absolute);
  // folders on the way are made.
  void make_link(const std::string& path, const std::string& target);
  void set_read_only(const std::string& path);
  // Every change fails as on a write-protected card.
  void set_read_only_medium(bool read_only);
  // Lists folders in the order their entries were made, as a FAT directory holds them.
  void set_listed_in_player_order(bool in_player_order);
  // The bytes of the file at path, if there is one.
  std::optional<std::string> contents(const std::string& path) const;
  // Every name below the working folder, sorted, folders with a trailing "/".
  std::vector<std::string> tree() const;

  // Makes every call of the operation on path (as the program passes it; any path when empty)
  // fail with error, until clear_faults. An error with the reason "out of memory" throws
  // std::bad_alloc instead.
  void fail(Operation operation, const std::string& path, DeviceError error);
  void clear_faults();

  // The calls that decide what survives a power cut, in order: "sync PATH...", "rename FROM TO".
  const std::vector<std::string>& events() const { return events_; }
  // After this many more syncs and renames, the power goes: every later call fails.
  void cut_power_after(std::size_t events);
  // What the device holds once the power is back: only the data that was synced. Creations,
  // renames and removals not yet synced are lost too, or, with changes_kept, all kept, as a
  // journal written out on its own may have kept them.
  void restore_power(bool changes_kept = false);

  bool list(const std::string& folder, DeviceListing& listing, DeviceError& error) override;
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

  struct Node;

 private:
  friend class MemoryFile;
  friend class MemoryLock;
  struct Place;
  bool injected(Operation operation, const std::string& path, DeviceError& error);
  bool powered(DeviceError& error) const;
  bool changeable(DeviceError& error) const;
  // The folder holding path and the last name of path, the folder as folder_at finds it.
  std::optional<Place> place_of(const std::string& path);
  // The folder at a device path: the one that was there when the path was first used, as a
  // device that keeps what it listed open finds it, whatever the path leads to now.
  std::shared_ptr<Node> folder_at(const std::string& path);
  std::shared_ptr<Node> node_at(const std::string& path, bool follow_last = true) const;
  // Where a folder is in the tree now, from the root.
  std::vector<std::string> path_of(const std::shared_ptr<Node>& folder) const;
  void boundary(std::string event);

  struct Fault {
    Operation operation;
    std::string path;
    DeviceError error;
  };
  std::shared_ptr<Node> root_;
  std::vector<std::string> working_folder_;
  std::map<std::string, std::shared_ptr<Node>> bound_;  // by folder_at
  std::vector<Fault> faults_;
  std::vector<std::string> events_;
  std::optional<std::size_t> events_until_cut_;
  bool power_cut_ = false;
  bool read_only_medium_ = false;
  bool in_player_order_ = false;
  bool locked_ = false;
  std::uint64_t next_id_ = 1;
};
