#include "platform/gui/MemoryTuning.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace pixaldo {

void KeepLargeBuffersMapped() {
#if defined(__GLIBC__)
  // A decoded 12-megapixel photo and its copies stay below 256 MB.
  constexpr int kLargest = 256 * 1024 * 1024;
  mallopt(M_MMAP_THRESHOLD, kLargest);
  mallopt(M_TRIM_THRESHOLD, kLargest);
#endif
}

}  // namespace pixaldo
