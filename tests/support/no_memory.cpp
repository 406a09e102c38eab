// Preloaded into eplgen, makes memory run out: the first EPLGEN_TEST_ALLOCATIONS allocations are
// made, and every one after them fails, as when a system has no memory left to give. The C++
// runtime makes its first, its pool for exceptions, while the program loads.
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>

// The C library's own allocator, under the names it gives it.
extern "C" void* __libc_malloc(std::size_t size);  // NOLINT(bugprone-reserved-identifier)
extern "C" void* __libc_calloc(std::size_t count,  // NOLINT(bugprone-reserved-identifier)
                               std::size_t size);
extern "C" void* __libc_realloc(void* memory,  // NOLINT(bugprone-reserved-identifier)
                                std::size_t size);

namespace {

constexpr long kUnread = -2;
constexpr long kUnlimited = -1;
std::atomic<long> allocations_left{kUnread};

bool may_allocate() {
  if (allocations_left.load() == kUnread) {
    const char* limit = std::getenv("EPLGEN_TEST_ALLOCATIONS");
    allocations_left = limit != nullptr ? std::atol(limit) : kUnlimited;
  }
  if (allocations_left.load() == kUnlimited || allocations_left.fetch_sub(1) > 0) return true;
  allocations_left = 0;
  errno = ENOMEM;
  return false;
}

}  // namespace

extern "C" void* malloc(std::size_t size) { return may_allocate() ? __libc_malloc(size) : nullptr; }

// The C library's header names their parameters with reserved names.
// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
extern "C" void* calloc(std::size_t count, std::size_t size) {
  return may_allocate() ? __libc_calloc(count, size) : nullptr;
}

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
extern "C" void* realloc(void* memory, std::size_t size) {
  return may_allocate() ? __libc_realloc(memory, size) : nullptr;
}
