// The read-ahead store: a picture is handed out only while its file is as
// it was read, and the store keeps to its budget, nearest photos first.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "photo_view/PhotoView.h"
#include "photo_view/PictureCache.h"
#include "platform/FileSystem.h"
#include "support/OrientedJpeg.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

PreparedPicture Prepared(const fs::path& file) { return PreparePicture(file, 100, 100, JpegDecoder(), true); }

// A store holding the picture of `file` as it is now.
PictureCache StoreHolding(const fs::path& file) {
  PictureCache cache(size_t(64) << 20);
  cache.Want({file});
  cache.Put(*StampOf(file), Prepared(file));
  return cache;
}

TEST(PictureCache, NeverHandsOutThePictureOfAChangedFile) {
  test::TempDir dir;
  const fs::path photo = dir / "a.jpg";
  const std::string first = test::MakeJpeg({.width = 64, .height = 48, .quality = 90});
  const std::string other = test::MakeJpeg({.width = 48, .height = 64, .quality = 90});
  test::WriteBytes(photo, first);

  PictureCache unchanged = StoreHolding(photo);
  const std::optional<PreparedPicture> taken = unchanged.Take(photo);
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->size.width, 64);
  EXPECT_FALSE(unchanged.Take(photo)) << "taken out, not copied";

  // Rewritten in place.
  PictureCache rewritten = StoreHolding(photo);
  {
    std::ofstream stream(photo, std::ios::binary | std::ios::trunc);
    stream << other;
  }
  EXPECT_FALSE(rewritten.Take(photo));
  EXPECT_FALSE(rewritten.Holds(photo)) << "a stale picture is dropped";

  // Replaced by another file of the same size and date.
  test::WriteBytes(photo, first);
  PictureCache replaced = StoreHolding(photo);
  const auto date = GetFileDate(photo);
  test::WriteBytes(dir / "new.jpg", first);
  SetFileDate(dir / "new.jpg", *date);
  fs::rename(dir / "new.jpg", photo);
  EXPECT_FALSE(replaced.Take(photo));

  // Same bytes, another date.
  PictureCache redated = StoreHolding(photo);
  SetFileDate(photo, *GetFileDate(photo) - std::chrono::hours(1));
  EXPECT_FALSE(redated.Take(photo));

  // Gone.
  PictureCache removed = StoreHolding(photo);
  fs::remove(photo);
  EXPECT_FALSE(removed.Take(photo));
}

TEST(PictureCache, KeepsTheNearestWantedPicturesWithinItsBudget) {
  test::TempDir dir;
  std::vector<fs::path> files;
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
    files.push_back(dir / name);
    test::WriteBytes(files.back(), test::MakeJpeg({.width = 64, .height = 48}));
  }
  const size_t one = Prepared(files[0]).MemoryBytes();
  PictureCache cache(one * 2);
  cache.Want(files);
  for (int i : {2, 0, 1}) cache.Put(*StampOf(files[i]), Prepared(files[i]));
  EXPECT_TRUE(cache.Holds(files[0]));
  EXPECT_TRUE(cache.Holds(files[1]));
  EXPECT_FALSE(cache.Holds(files[2])) << "the least wanted goes first";
  EXPECT_LE(cache.Used(), cache.Budget());

  cache.Want({files[1]});  // moved on: what is no longer wanted goes
  EXPECT_FALSE(cache.Holds(files[0]));
  cache.Put(*StampOf(files[2]), Prepared(files[2]));
  EXPECT_FALSE(cache.Holds(files[2])) << "a picture no longer wanted is not kept";
  EXPECT_TRUE(cache.Take(files[1]));
}

// A picture read ahead is the one the view shows after loading the file
// itself: upright by its orientation (or as stored), at device pixels.
TEST(PreparedPicture, ShowsAsTheViewsOwnLoadDoes) {
  test::TempDir dir;
  const fs::path photo = dir / "a.jpg";
  test::WriteBytes(photo, test::MakeOrientedJpeg(test::MakeJpeg({.width = 96, .height = 64}), 6, dir.path()));
  for (const bool autoOrient : {true, false}) {
    const double ratio = 2;
    PhotoView loaded, adopted;
    for (PhotoView* view : {&loaded, &adopted}) view->SetAutoOrient(autoOrient), view->SetDevicePixelRatio(ratio);
    loaded.LoadPicture(photo, 80, 80);
    PreparedPicture picture = PreparePicture(photo, 80, 80, JpegDecoder(), autoOrient);
    PrepareDisplay(picture, 40, 40, FitChoice{}, 0, ratio);
    adopted.Adopt(std::move(picture));
    for (PhotoView* view : {&loaded, &adopted}) view->FitAndShow(40, 40, true, false);
    EXPECT_EQ(adopted.PictureSize().width, loaded.PictureSize().width) << autoOrient;
    EXPECT_EQ(adopted.PictureOrientation(), loaded.PictureOrientation());
    EXPECT_EQ(adopted.Display().width, loaded.Display().width);
    EXPECT_EQ(adopted.Display().height, loaded.Display().height);
    EXPECT_EQ(adopted.Display().pixels, loaded.Display().pixels);
  }
}

}  // namespace
}  // namespace pixaldo
