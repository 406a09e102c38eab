// A mutex whose use clang checks (-Wthread-safety): what it guards is declared GUARDED_BY it, a
// function that needs it held REQUIRES it, and the analysis fails the build where either is
// reached without it. Other compilers see a plain std::mutex.
#pragma once

#include <condition_variable>
#include <mutex>

#if defined(__clang__)
#define EPLGEN_THREAD_ATTRIBUTE(attribute) __attribute__((attribute))
#else
#define EPLGEN_THREAD_ATTRIBUTE(attribute)
#endif

#define GUARDED_BY(mutex) EPLGEN_THREAD_ATTRIBUTE(guarded_by(mutex))
#define REQUIRES(...) EPLGEN_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))

class EPLGEN_THREAD_ATTRIBUTE(capability("mutex")) Mutex {
 public:
  void lock() EPLGEN_THREAD_ATTRIBUTE(acquire_capability()) { mutex_.lock(); }
  void unlock() EPLGEN_THREAD_ATTRIBUTE(release_capability()) { mutex_.unlock(); }

 private:
  friend class MutexLock;
  std::mutex mutex_;
};

// Holds a mutex for as long as it lives; it can let it go for a while, and wait.
class EPLGEN_THREAD_ATTRIBUTE(scoped_lockable) MutexLock {
 public:
  explicit MutexLock(Mutex& mutex) EPLGEN_THREAD_ATTRIBUTE(acquire_capability(mutex))
      : lock_(mutex.mutex_) {}
  ~MutexLock() EPLGEN_THREAD_ATTRIBUTE(release_capability()) = default;
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

  void unlock() EPLGEN_THREAD_ATTRIBUTE(release_capability()) { lock_.unlock(); }
  void lock() EPLGEN_THREAD_ATTRIBUTE(acquire_capability()) { lock_.lock(); }

  // Waits until ready() is true, asking it with the mutex held and letting the mutex go
  // meanwhile. The analysis cannot see through the wait: ready says what it REQUIRES itself.
  template <typename Ready>
  void wait(std::condition_variable& condition, Ready ready)
      EPLGEN_THREAD_ATTRIBUTE(no_thread_safety_analysis) {
    condition.wait(lock_, ready);
  }

 private:
  std::unique_lock<std::mutex> lock_;
};
