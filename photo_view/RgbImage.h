#pragma once
// A 24-bit RGB bitmap: rows of width × 3 bytes (R, G, B), no padding.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "platform/PictureMemory.h"

namespace pixaldo {

// Leaves new bytes uninitialised: a bitmap is always written whole by its
// maker (decoder or scaler), so filling it with zeros first would only touch
// every page of a large frame one time more. The memory is picture memory
// (huge pages for large bitmaps), with a few bytes more after the end that
// hold nothing but may be read: the scaler reads packed rows in wide pieces
// and runs up to a few dozen bytes past the last one.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
  static constexpr size_t kReadAhead = 64;
  template <typename U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  using std::allocator<T>::allocator;
  T* allocate(size_t count) {
    if (count > (SIZE_MAX - kReadAhead) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(AllocatePictureMemory(count * sizeof(T) + kReadAhead));
  }
  void deallocate(T* block, size_t count) noexcept { FreePictureMemory(block, count * sizeof(T) + kReadAhead); }
  template <typename U>
  void construct(U* place) noexcept {
    ::new (static_cast<void*>(place)) U;
  }
  template <typename U, typename... Args>
  void construct(U* place, Args&&... args) {
    ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
  }
};

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t, UninitialisedAllocator<uint8_t>> pixels;

  bool Empty() const { return width <= 0 || height <= 0; }
  size_t Stride() const { return static_cast<size_t>(width) * 3; }
  const uint8_t* Row(int y) const { return pixels.data() + Stride() * static_cast<size_t>(y); }
  uint8_t* Row(int y) { return pixels.data() + Stride() * static_cast<size_t>(y); }
};

}  // namespace pixaldo
