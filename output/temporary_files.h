// The temporary files in flight: created and not yet put in place or removed. An interruption
// (SIGINT, SIGTERM, SIGHUP; Ctrl-C or a closed console window on Windows) removes them before the
// program ends, so that none is ever left behind. The handler reads this registry while the
// program may be changing it, from a signal on POSIX and from a thread of its own on Windows: it
// holds fixed slots, each filled before it is marked used, and takes no lock.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process.h"

class TemporaryFiles : public FilesInFlight {
 public:
  explicit TemporaryFiles(std::size_t capacity);
  ~TemporaryFiles() override;
  TemporaryFiles(const TemporaryFiles&) = delete;
  TemporaryFiles& operator=(const TemporaryFiles&) = delete;

  // Notes the file at a device path before it is created. False, with nothing noted, when the
  // path does not fit a slot: the file must then not be created. Once the program is ending (an
  // interruption on Windows, whose handler runs on a thread of its own), never returns: the
  // handler ends the program.
  [[nodiscard]] bool begin_creation(std::string_view device_path);
  // Once the creation is done, whether it succeeded or not.
  void end_creation();
  // After the file was put in place or removed.
  void forget(std::string_view device_path);

  // Hands remove the device path of each file noted, and forgets the file once remove returns:
  // for a program that ends on a failure of its own.
  template <typename Remove>
  void remove_each(Remove&& remove) {
    for (std::size_t slot = 0; slot < capacity_; ++slot)
      if (slots_[slot].used.load()) {
        remove(std::string_view(slots_[slot].path));
        slots_[slot].used.store(false);
      }
  }

  void end_and_remove_all(void (*remove)(const char* device_path), void (*wait)()) override;

 private:
  static constexpr std::size_t kMaxPath = 1024;
  struct Slot {
    std::atomic<bool> used{false};
    char path[kMaxPath];
  };
  std::unique_ptr<Slot[]> slots_;
  std::size_t capacity_;
  std::atomic<bool> ending_{false};
  std::atomic<bool> creating_{false};
};
