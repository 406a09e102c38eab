// A music folder on a device, for tests that run the same table on every device: in memory (its
// folders in a fixed order of names, or in the order they were made, as a FAT directory holds
// them) and on the platform's own file system, in a temporary folder that is the working folder
// while the library lives.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/device.h"
#include "tests/support/temporary_folder.h"

class MemoryDevice;

class DeviceLibrary {
 public:
  enum class Kind { memory, memory_in_player_order, native };
  static constexpr Kind kKinds[] = {Kind::memory, Kind::memory_in_player_order, Kind::native};

  explicit DeviceLibrary(Kind kind);
  ~DeviceLibrary();
  DeviceLibrary(const DeviceLibrary&) = delete;
  DeviceLibrary& operator=(const DeviceLibrary&) = delete;

  Kind kind() const { return kind_; }
  const char* name() const;
  Device& device() { return *device_; }
  // The in-memory device, or null.
  MemoryDevice* memory() const { return memory_; }

  // Makes each path, relative to the music folder ("../NAME" beside it): a trailing "/" makes a
  // folder, anything else a file holding bytes.
  void make(const std::vector<std::string>& paths, const std::string& bytes = "");
  // A symbolic link; false where the device can hold none (Windows without privileges).
  bool make_link(const std::string& path, const std::string& target);
  // Moves a folder away and puts a link to target in its place, as someone could while a run
  // works; false where the device refuses the move (Windows, of a folder a run holds).
  bool swap_for_link(const std::string& folder, const std::string& moved_to,
                     const std::string& target);
  // True when names that differ only in case can both be there.
  bool holds_names_differing_in_case() const { return case_sensitive_; }
  // The file's bytes, if there is one.
  std::optional<std::string> contents(const std::string& path) const;

 private:
  Kind kind_;
  std::unique_ptr<Device> device_;
  MemoryDevice* memory_ = nullptr;
  std::optional<TemporaryFolder> root_;
  std::filesystem::path previous_folder_;
  bool case_sensitive_ = true;
};
