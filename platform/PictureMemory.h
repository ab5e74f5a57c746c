#pragma once
// Memory for whole bitmaps. A bitmap of a few megabytes written once from
// top to bottom costs one page fault per 4 KB page; blocks of 2 MB and more
// (and those a little smaller) are asked of the kernel as transparent huge
// pages instead, one fault for each whole 2 MB, with the same bytes
// resident. Smaller blocks come from the ordinary heap. Every block is
// aligned to 64 bytes.
#include <cstddef>

namespace pixaldo {

// Throws std::bad_alloc when there is no memory.
void* AllocatePictureMemory(size_t bytes);
// `bytes` is the size the block was allocated with.
void FreePictureMemory(void* block, size_t bytes) noexcept;

}  // namespace pixaldo
