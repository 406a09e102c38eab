// A device in memory, for the tests: a tree of folders, files and links that fails chosen calls
// with chosen errors, records the calls that make things durable, and can cut the power,
// dropping everything not yet synced. Names are bytes and case counts, as on a POSIX file system.
// As any device, it may be listed from a thread of its own while other calls run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/device.h"
#include "platform/mutex.h"

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
  // Makes a folder the root of a file system of its own, as a card mounted there is.
  void make_volume(const std::string& folder);
  // Calls hook with each folder asked for, on the thread that asks, before it is listed: a
  // listing that blocks until the test lets it go, or notes what it sees.
  void on_list(std::function<void(const std::string& folder)> hook);
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
  std::vector<std::string> events() const;
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
  void make_unlocked(const std::string& path, const std::string& bytes) REQUIRES(mutex_);
  std::unique_ptr<ReadableFile> open_unlocked(const std::string& path, DeviceError& error)
      REQUIRES(mutex_);
  bool injected(Operation operation, const std::string& path, DeviceError& error) REQUIRES(mutex_);
  bool powered(DeviceError& error) const REQUIRES(mutex_);
  bool changeable(DeviceError& error) const REQUIRES(mutex_);
  // The folder holding path and the last name of path, the folder as folder_at finds it.
  std::optional<Place> place_of(const std::string& path) REQUIRES(mutex_);
  // The folder at a device path: the one that was there when the path was first used, as a
  // device that keeps what it listed open finds it, whatever the path leads to now.
  std::shared_ptr<Node> folder_at(const std::string& path) REQUIRES(mutex_);
  std::shared_ptr<Node> node_at(const std::string& path, bool follow_last = true) const
      REQUIRES(mutex_);
  // Where a folder is in the tree now, from the root.
  std::vector<std::string> path_of(const std::shared_ptr<Node>& folder) const REQUIRES(mutex_);
  void boundary(std::string event) REQUIRES(mutex_);

  struct Fault {
    Operation operation;
    std::string path;
    DeviceError error;
  };
  mutable Mutex mutex_;
  std::function<void(const std::string& folder)> list_hook_;  // set before it is listed from
  std::shared_ptr<Node> root_ GUARDED_BY(mutex_);
  std::vector<std::string> working_folder_ GUARDED_BY(mutex_);
  std::map<std::string, std::shared_ptr<Node>> bound_ GUARDED_BY(mutex_);  // by folder_at
  std::vector<Fault> faults_ GUARDED_BY(mutex_);
  std::vector<std::string> events_ GUARDED_BY(mutex_);
  std::optional<std::size_t> events_until_cut_ GUARDED_BY(mutex_);
  bool power_cut_ GUARDED_BY(mutex_) = false;
  bool read_only_medium_ GUARDED_BY(mutex_) = false;
  bool in_player_order_ GUARDED_BY(mutex_) = false;
  bool locked_ GUARDED_BY(mutex_) = false;
  std::uint64_t next_id_ GUARDED_BY(mutex_) = 1;
};
