#pragma once
// Runs part of a test where large allocations really fail: a forked child whose address space
// may grow only a little past what it maps already. Windows has neither fork nor the limit.

#include <cstddef>
#include <cstdlib>
#include <functional>

#ifndef _WIN32
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#endif

namespace test_support {

// Whether operator new throws when memory runs out: AddressSanitizer's reports the failure and
// ends the process instead.
#ifdef __SANITIZE_ADDRESS__
constexpr bool kNewThrowsWhenMemoryRunsOut = false;
#else
constexpr bool kNewThrowsWhenMemoryRunsOut = true;
#endif

// runWithLittleMemory's result where no child can be limited.
constexpr int kNoChildHere = -2;
// What a body that needs the limit returns where it does not hold.
constexpr int kNotLimitedThere = 100;

// Runs body in a forked child that may map at most headroom bytes more than it maps when it
// starts, and gives body's result (0..254); -1 when the child could not set the limit, an
// exception left body or the child did not exit normally. body learns whether the limit holds: where an allocation of twice the
// headroom still succeeds (qemu's user mode ignores the limit), it does not, and only what the
// process could never have fails.
inline int runWithLittleMemory(std::size_t headroom, const std::function<int(bool limited)>& body) {
#ifdef _WIN32
  (void)headroom;
  (void)body;
  return kNoChildHere;
#else
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    unsigned long pages = 0;
    std::ifstream statm("/proc/self/statm");
    if (!(statm >> pages)) ::_exit(255);
    const rlim_t mapped = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE));
    const rlimit limit{mapped + headroom, mapped + headroom};
    if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(255);
    void* const probe = std::malloc(2 * headroom);
    std::free(probe);
    // An exception must not return the child into the rest of the test program.
    try {
      ::_exit(body(probe == nullptr));
    } catch (...) {
      ::_exit(255);
    }
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
#endif
}

// Takes every block the heap still gives, big ones first and then each small size in turn, and
// keeps them, so that the next growth of any array fails. For the child of runWithLittleMemory
// only, where the heap ends at the limit, however much of it earlier tests left free; false
// where small blocks are not held to it (AddressSanitizer's allocator maps them from space it
// reserved at start) or where more than any limited child could have was given (qemu's user
// mode ignores the limit). With `leave`, a block of that size taken first is given back at
// the end: small allocations then find room in it while anything larger still fails.
inline bool useUpMemory(std::size_t leave = 0) {
#ifdef __SANITIZE_ADDRESS__
  (void)leave;
  return false;
#else
  void* const spare = leave > 0 ? std::malloc(leave) : nullptr;
  if (leave > 0 && spare == nullptr) return false;
  // The first exception's own set-up is done while there is still memory for it.
  try {
    throw 0;
  } catch (int) {
  }
  constexpr std::size_t kAtMost = std::size_t(1) << 30;
  std::size_t taken = 0;
  auto drain = [&](std::size_t size) {
    while (taken <= kAtMost) {
      // Volatile, so the compiler cannot drop an allocation whose block nobody reads.
      void* volatile block = std::malloc(size);
      if (block == nullptr) return;
      taken += size;
    }
  };
  for (std::size_t size = std::size_t(1) << 24; size > 1024; size /= 2) drain(size);
  for (std::size_t size = 1024; size >= 8; size -= 8) drain(size);
  std::free(spare);
  return taken <= kAtMost;
#endif
}

// Bytes the C heap has given out and not taken back (the heap's blocks and its own mappings);
// 0 where it cannot be told. The C library keeps up to seven freed blocks of each small size
// (up to 1032 bytes) in a cache of the thread and counts them as given out: the cache is first
// filled to the brim, so that it holds as much at every measurement.
inline std::size_t heapInUse() {
#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__)
  return 0;
#else
  constexpr std::size_t kCachedSizes = 64, kCachedEach = 7;
  void* blocks[kCachedSizes][kCachedEach] = {};
  for (std::size_t s = 0; s < kCachedSizes; ++s)
    for (void*& b : blocks[s]) b = std::malloc(16 * s + 24);
  for (auto& size : blocks)
    for (void* b : size) std::free(b);
  const struct mallinfo2 m = ::mallinfo2();
  return m.uordblks + m.hblkhd;
#endif
}

}  // namespace test_support
