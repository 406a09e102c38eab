#include "output/temporary_files.h"

#include <chrono>
#include <cstring>
#include <thread>

TemporaryFiles::TemporaryFiles(std::size_t capacity)
    : slots_(std::make_unique<Slot[]>(capacity)), capacity_(capacity) {}

TemporaryFiles::~TemporaryFiles() = default;

namespace {

// The program is ending: the interruption handler, on a thread of its own, removes the files in
// flight and then ends the process. Nothing more is made or said meanwhile.
[[noreturn]] void wait_for_the_end() {
  for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

}  // namespace

bool TemporaryFiles::begin_creation(std::string_view device_path) {
  // Marked before ending is looked at, as the handler marks ending before it looks at this: one
  // of the two always sees the other.
  creating_.store(true);
  if (ending_.load()) {
    creating_.store(false);
    wait_for_the_end();
  }
  if (device_path.size() >= kMaxPath) {
    creating_.store(false);
    return false;
  }
  for (std::size_t slot = 0; slot < capacity_; ++slot) {
    if (slots_[slot].used.load()) continue;
    std::memcpy(slots_[slot].path, device_path.data(), device_path.size());
    slots_[slot].path[device_path.size()] = '\0';
    slots_[slot].used.store(true);
    return true;
  }
  creating_.store(false);
  return false;
}

void TemporaryFiles::end_creation() { creating_.store(false); }

void TemporaryFiles::forget(std::string_view device_path) {
  for (std::size_t slot = 0; slot < capacity_; ++slot)
    if (slots_[slot].used.load() && device_path == slots_[slot].path) {
      slots_[slot].used.store(false);
      return;
    }
}

void TemporaryFiles::end_and_remove_all(void (*remove)(const char* device_path), void (*wait)()) {
  ending_.store(true);
  while (wait != nullptr && creating_.load()) wait();
  for (std::size_t slot = 0; slot < capacity_; ++slot)
    if (slots_[slot].used.load()) remove(slots_[slot].path);
}
