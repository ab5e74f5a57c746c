#include "platform/PictureMemory.h"

#include <cstdint>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

namespace pixaldo {

namespace {

constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kSmallest = kHugePage / 8 * 7;
constexpr std::align_val_t kAlignment{64};

uintptr_t RoundUp(uintptr_t value, uintptr_t step) { return (value + step - 1) / step * step; }

// What is mapped for a block: whole pages, and a whole huge page at the end
// when the block would nearly fill it anyway (a bitmap of 960 × 720 is a
// little under 2 MB); the few unused bytes are cheaper than 500 faults.
size_t MappedLength(size_t bytes) {
  static const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
  const size_t tail = bytes % kHugePage;
  if (tail >= kSmallest) return RoundUp(bytes, kHugePage);
  return RoundUp(bytes, page);
}

}  // namespace

void* AllocatePictureMemory(size_t bytes) {
  if (bytes < kSmallest) return ::operator new(bytes, kAlignment);
  const size_t length = MappedLength(bytes);
  if (length > SIZE_MAX - kHugePage) throw std::bad_alloc();
  // A mapping one huge page longer than needed, trimmed to start on a 2 MB
  // boundary, so that its first bytes already fill a whole huge page.
  const size_t reserved = length + kHugePage;
  void* mapping = ::mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) throw std::bad_alloc();
  const uintptr_t begin = reinterpret_cast<uintptr_t>(mapping);
  const uintptr_t start = RoundUp(begin, kHugePage);
  const uintptr_t end = start + length;
  if (start > begin) ::munmap(mapping, start - begin);
  if (begin + reserved > end) ::munmap(reinterpret_cast<void*>(end), begin + reserved - end);
  // Only a hint: where the kernel has no huge pages, the pages come one by one.
  ::madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(start);
}

void FreePictureMemory(void* block, size_t bytes) noexcept {
  if (!block) return;
  if (bytes < kSmallest)
    ::operator delete(block, kAlignment);
  else
    ::munmap(block, MappedLength(bytes));
}

}  // namespace pixaldo
