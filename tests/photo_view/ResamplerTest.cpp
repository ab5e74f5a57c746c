#include <gtest/gtest.h>

#include <cstdlib>

#include "photo_view/Resampler.h"

namespace pixaldo {
namespace {

RgbImage Pattern(int width, int height) {
  RgbImage image;
  image.width = width;
  image.height = height;
  image.pixels.resize(image.Stride() * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = image.Row(y) + x * 3;
      p[0] = static_cast<uint8_t>((x * 37 + y * 11) & 255);  // fine detail that filters treat differently
      p[1] = static_cast<uint8_t>(((x / 3 + y / 2) & 1) * 255);
      p[2] = static_cast<uint8_t>(y * 255 / height);
    }
  return image;
}

RgbImage Uniform(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  RgbImage image = Pattern(width, height);
  for (size_t i = 0; i < image.pixels.size(); i += 3) image.pixels[i] = r, image.pixels[i + 1] = g, image.pixels[i + 2] = b;
  return image;
}

TEST(Resampler, FiltersGiveDifferentPicturesOfTheTargetSize) {
  const RgbImage source = Pattern(97, 61);
  std::vector<RgbImage> results;
  for (unsigned index = 0; index < 5; ++index) {
    RgbImage result = Resampler::Resample(source, 41, 26, index);
    ASSERT_EQ(result.width, 41);
    ASSERT_EQ(result.height, 26);
    ASSERT_EQ(result.pixels.size(), 41u * 26 * 3);
    for (const RgbImage& other : results) EXPECT_NE(result.pixels, other.pixels) << "filter " << index;
    results.push_back(std::move(result));
  }
}

TEST(Resampler, KeepsColoursAndChannelOrder) {
  const RgbImage source = Uniform(80, 60, 200, 100, 30);
  for (unsigned index = 0; index < 5; ++index) {
    const RgbImage result = Resampler::Resample(source, 33, 17, index);
    for (size_t i = 0; i < result.pixels.size(); i += 3) {
      ASSERT_NEAR(result.pixels[i], 200, 1) << "filter " << index;
      ASSERT_NEAR(result.pixels[i + 1], 100, 1) << "filter " << index;
      ASSERT_NEAR(result.pixels[i + 2], 30, 1) << "filter " << index;
    }
  }
}

TEST(Resampler, OddSizes) {
  const RgbImage source = Pattern(5, 3);
  for (auto [w, h] : {std::pair{1, 1}, std::pair{1, 40}, std::pair{300, 1}, std::pair{5, 3}}) {
    for (unsigned index = 0; index < 5; ++index) {
      const RgbImage result = Resampler::Resample(source, w, h, index);
      EXPECT_EQ(result.width, w);
      EXPECT_EQ(result.height, h);
      EXPECT_EQ(result.pixels.size(), size_t(w) * h * 3);
    }
  }
  // Shrinking fifty times (a large photo into a tiny panel) once crashed
  // the scaler with the wider filters.
  const RgbImage tall = Pattern(40, 1000);
  for (unsigned index = 0; index < 5; ++index) EXPECT_EQ(Resampler::Resample(tall, 4, 20, index).height, 20);
  // The scaler reads a little past the last row: a bitmap whose rows end
  // exactly at the end of its pages (1024 × 768) is read safely.
  EXPECT_EQ(Resampler::Resample(Pattern(1024, 768), 996, 747, 4u).height, 747);
  EXPECT_EQ(Resampler::Resample(source, 5, 3, 4u).pixels, source.pixels);  // same size: an exact copy
  EXPECT_TRUE(Resampler::Resample(source, 0, 3, 0u).Empty());
  EXPECT_TRUE(Resampler::Resample(RgbImage{}, 10, 10, 0u).Empty());
}

TEST(Resampler, SettingIndexesMapToFilters) {
  EXPECT_EQ(StretchFilterFromIndex(2), StretchFilter::Mitchell);
  EXPECT_EQ(StretchFilterFromIndex(3), StretchFilter::Spline);
  EXPECT_EQ(StretchFilterFromIndex(4), StretchFilter::Lanczos);
  EXPECT_EQ(StretchFilterFromIndex(5), StretchFilter::Nearest);
  const RgbImage source = Pattern(97, 61);
  EXPECT_EQ(Resampler::Resample(source, 41, 26, 9u).pixels, Resampler::Resample(source, 41, 26, 0u).pixels);
}

}  // namespace
}  // namespace pixaldo
