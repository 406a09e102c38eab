// The device: the few things the program asks of a file system, as primitives. A POSIX and a
// Win32 implementation are chosen by the build; the tests also have one in memory
// (memory_device.h). Everything the player sees of names (order, case, twins, paths a user wrote)
// is decided by the program's core from what these calls return, never here.
//
// Files and folders are named by device paths: the names a listing gave, joined by "/",
// relative to the working folder ("" or "." is the working folder itself, ".." the folder
// holding it). Every call that can fail says so: it returns false or null and sets the error to
// what happened. A failure is never reported as success with less.
//
// Once a folder is listed or identified, its path names that folder to the end of the run (or
// until the working folder changes), whatever the name leads to since: what is made, renamed or
// removed there goes to the folder that was looked at, or fails.
//
// Threads: list may be called from a thread of its own (the read-ahead, listings_ahead.h) while
// the program's thread makes any other call, list included; every other call, and every call on
// the files a device opens, comes from one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/namespace.h"

struct DeviceError {
  enum class Kind {
    other,
    missing,  // the path leads nowhere
    exists,   // create: something is there
    busy,     // lock: another run holds it
  } kind = Kind::other;
  std::string reason;  // the system's explanation, for messages
};

struct FolderIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  bool operator==(const FolderIdentity& other) const = default;
};

// A file opened for reading.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // Reads size bytes into buffer, fewer only at the end of the file, and sets count to how many.
  [[nodiscard]] virtual bool read(char* buffer, std::size_t size, std::size_t& count,
                                  DeviceError& error) = 0;
  // A regular file no one may write: the FAT read-only attribute, as a vfat mount shows it.
  [[nodiscard]] virtual bool read_only() const = 0;
};

// A file being written, made by Device::create.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  [[nodiscard]] virtual bool append(std::string_view data, DeviceError& error) = 0;
  // Hands everything appended to the system and closes the file. Its data is on the device once
  // a later Device::sync naming it has succeeded.
  [[nodiscard]] virtual bool close(DeviceError& error) = 0;
};

// Held for a whole run, so that two runs never write in one music folder at once.
class FolderLock {
 public:
  virtual ~FolderLock() = default;
};

class Device {
 public:
  virtual ~Device() = default;

  // The entries of a folder, "." and ".." left out, in the device's order.
  [[nodiscard]] virtual bool list(const std::string& folder, DeviceListing& listing,
                                  DeviceError& error) = 0;
  // The folders a run will list next, in that order: a device that lists ahead of the run
  // (listings_ahead.h) begins with them; any other may let it be.
  virtual void will_list(const std::vector<std::string>& /*folders*/) {}

  // Opens a regular file for reading; anything else (a folder, a device, a pipe) is refused
  // without being opened where that can be told, and never read.
  [[nodiscard]] virtual std::unique_ptr<ReadableFile> open(const std::string& path,
                                                           DeviceError& error) = 0;

  // Creates a new file for writing, exclusively: when anything is there already (kind exists),
  // nothing is opened or written through.
  [[nodiscard]] virtual std::unique_ptr<WritableFile> create(const std::string& path,
                                                             DeviceError& error) = 0;

  // Makes durable, safe from a power cut or an unplugged player, the data of the files at these
  // paths, closed before, and every creation, rename and removal made so far in their folders.
  [[nodiscard]] virtual bool sync(const std::vector<std::string>& paths, DeviceError& error) = 0;

  // Puts a file in the place of another in one step, replacing it if it exists.
  [[nodiscard]] virtual bool rename(const std::string& from, const std::string& to,
                                    DeviceError& error) = 0;

  // Removes a file, read-only or not. Nothing there is no failure; a folder is.
  [[nodiscard]] virtual bool remove(const std::string& path, DeviceError& error) = 0;

  // The identity of the folder a path leads to, following links.
  [[nodiscard]] virtual bool identify(const std::string& folder, FolderIdentity& identity,
                                      DeviceError& error) = 0;

  // Locks the working folder for this run: null when another run holds it (kind busy) or it
  // cannot be locked.
  [[nodiscard]] virtual std::unique_ptr<FolderLock> lock(DeviceError& error) = 0;

  // Makes a folder the user named the working folder. Like open_given and absolute_path, it
  // takes the path as the user gave it, in UTF-8.
  [[nodiscard]] virtual bool change_working_folder(const std::string& given,
                                                   DeviceError& error) = 0;

  // The working folder's full path, in UTF-8, for messages.
  virtual std::string working_folder() = 0;

  // Opens a file a user named on the command line: a regular file or a pipe, or standard input
  // for "-". A device or a folder is refused, a device without being opened where its name
  // tells.
  [[nodiscard]] virtual std::unique_ptr<ReadableFile> open_given(const std::string& given,
                                                                 DeviceError& error) = 0;

  // The absolute form of a path a user gave: it names the same file once the working folder
  // changes.
  virtual std::string absolute_path(const std::string& given) = 0;
};

// The platform's own device.
std::unique_ptr<Device> make_native_device();
