#pragma once
// A 24-bit RGB bitmap: rows of width × 3 bytes (R, G, B), no padding.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pixaldo {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;

  bool Empty() const { return width <= 0 || height <= 0; }
  size_t Stride() const { return static_cast<size_t>(width) * 3; }
  const uint8_t* Row(int y) const { return pixels.data() + Stride() * static_cast<size_t>(y); }
  uint8_t* Row(int y) { return pixels.data() + Stride() * static_cast<size_t>(y); }
};

}  // namespace pixaldo
