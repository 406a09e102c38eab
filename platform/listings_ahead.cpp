#include "platform/listings_ahead.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <thread>
#include <utility>

#include "platform/mutex.h"
#include "platform/process.h"

// The thread and what it has listed. Listed as far ahead as it may, it goes on once half of it is
// taken, so that it is woken seldom.
class ListingsAhead::Thread {
 public:
  Thread(Device& device, ListingLimits limits, std::vector<std::string> folders)
      : device_(device), limits_(limits), folders_(std::move(folders)) {}
  ~Thread() {
    {
      MutexLock lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // False when no thread can be had: the folders are then listed as they are asked for.
  bool start() {
    return start_thread_without_interruptions(thread_, [this] { run(); });
  }

  // True when the folder is the next to come, or one after it, listed ahead or being listed:
  // listing and error are then what listing it gave, and listed its result. Folders before it
  // were passed over and are not listed any more.
  bool take(const std::string& folder, DeviceListing& listing, DeviceError& error, bool& listed) {
    MutexLock lock(mutex_);
    std::size_t end = std::min(next_ + 1, folders_.size());
    std::size_t index = taken_;
    while (index < end && folders_[index] != folder) ++index;
    if (index == end) return false;
    // The run is done with the folder it took before, or soon will be: the thread, which may
    // wait for room with this very folder next, is told.
    held_bytes_ = 0;
    taken_ = index;
    while (!ready_.empty() && ready_.front().index < index) drop_front();
    wake_if_room();
    lock.wait(changed_, [&]() REQUIRES(mutex_) {
      return stopped_ || (!ready_.empty() && ready_.front().index == index);
    });
    if (ready_.empty() || ready_.front().index != index) return false;
    Listed taken = std::move(ready_.front());
    drop_front();
    held_bytes_ = taken.bytes;
    taken_ = index + 1;
    wake_if_room();
    listing = std::move(taken.listing);
    error = std::move(taken.error);
    listed = taken.listed;
    return true;
  }

 private:
  struct Listed {
    std::size_t index;
    DeviceListing listing;
    DeviceError error;
    bool listed;
    std::size_t bytes;  // the listing holds
  };

  bool is_full() const REQUIRES(mutex_) {
    return ready_.size() >= limits_.listings || bytes_ + held_bytes_ >= limits_.bytes;
  }
  bool has_room() const REQUIRES(mutex_) {
    return ready_.size() <= limits_.listings / 2 && bytes_ + held_bytes_ <= limits_.bytes / 2;
  }
  void wake_if_room() REQUIRES(mutex_) {
    if (waiting_for_room_ && has_room()) changed_.notify_all();
  }

  void drop_front() REQUIRES(mutex_) {
    bytes_ -= ready_.front().bytes;
    ready_.pop_front();
  }

  void run() {
    try {
      MutexLock lock(mutex_);
      for (;;) {
        if (is_full()) {
          waiting_for_room_ = true;
          lock.wait(changed_, [this]() REQUIRES(mutex_) { return stopping_ || has_room(); });
          waiting_for_room_ = false;
        }
        next_ = std::max(next_, taken_);
        if (stopping_ || next_ >= folders_.size()) break;
        std::size_t index = next_;
        lock.unlock();
        Listed listed{index, {}, {}, false, 0};
        listed.listed = device_.list(folders_[index], listed.listing, listed.error);
        listed.bytes = listed.listing.names.capacity() +
                       listed.listing.entries.capacity() * sizeof(DeviceListing::Entry);
        lock.lock();
        if (index >= taken_) {
          bytes_ += listed.bytes;
          ready_.push_back(std::move(listed));
        }
        next_ = index + 1;
        changed_.notify_all();
      }
    } catch (const std::exception&) {
      // Out of memory, most likely: what is not listed yet is listed when it is asked for.
    }
    MutexLock lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }

  Device& device_;
  const ListingLimits limits_;
  const std::vector<std::string> folders_;
  Mutex mutex_;
  std::condition_variable changed_;
  std::size_t next_ GUARDED_BY(mutex_) = 0;   // the folder being listed, or the next to be
  std::size_t taken_ GUARDED_BY(mutex_) = 0;  // the folders before it are taken or passed over
  std::deque<Listed> ready_ GUARDED_BY(mutex_);
  std::size_t bytes_ GUARDED_BY(mutex_) = 0;       // that the listings ready hold
  std::size_t held_bytes_ GUARDED_BY(mutex_) = 0;  // that the listing the run took last holds
  bool stopping_ GUARDED_BY(mutex_) = false;
  bool stopped_ GUARDED_BY(mutex_) = false;
  bool waiting_for_room_ GUARDED_BY(mutex_) = false;
  std::thread thread_;
};

ListingsAhead::ListingsAhead(Device& device, ListingLimits limits)
    : device_(device), limits_(limits) {}

ListingsAhead::~ListingsAhead() = default;

bool ListingsAhead::list(const std::string& folder, DeviceListing& listing, DeviceError& error) {
  bool listed = false;
  if (thread_ != nullptr && thread_->take(folder, listing, error, listed)) return listed;
  return device_.list(folder, listing, error);
}

void ListingsAhead::will_list(const std::vector<std::string>& folders) {
  thread_.reset();
  auto thread = std::make_unique<Thread>(device_, limits_, folders);
  if (thread->start()) thread_ = std::move(thread);
}

std::unique_ptr<ReadableFile> ListingsAhead::open(const std::string& path, DeviceError& error) {
  return device_.open(path, error);
}

std::unique_ptr<WritableFile> ListingsAhead::create(const std::string& path, DeviceError& error) {
  return device_.create(path, error);
}

bool ListingsAhead::sync(const std::vector<std::string>& paths, DeviceError& error) {
  return device_.sync(paths, error);
}

bool ListingsAhead::rename(const std::string& from, const std::string& to, DeviceError& error) {
  return device_.rename(from, to, error);
}

bool ListingsAhead::remove(const std::string& path, DeviceError& error) {
  return device_.remove(path, error);
}

bool ListingsAhead::identify(const std::string& folder, FolderIdentity& identity,
                             DeviceError& error) {
  return device_.identify(folder, identity, error);
}

std::unique_ptr<FolderLock> ListingsAhead::lock(DeviceError& error) { return device_.lock(error); }

// The folders planned were named from the folder that is working folder no longer.
bool ListingsAhead::change_working_folder(const std::string& given, DeviceError& error) {
  thread_.reset();
  return device_.change_working_folder(given, error);
}

std::string ListingsAhead::working_folder() { return device_.working_folder(); }

std::unique_ptr<ReadableFile> ListingsAhead::open_given(const std::string& given,
                                                        DeviceError& error) {
  return device_.open_given(given, error);
}

std::string ListingsAhead::absolute_path(const std::string& given) {
  return device_.absolute_path(given);
}
