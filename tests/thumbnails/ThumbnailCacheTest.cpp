// The desktop's thumbnail cache: names, entries, staleness, failures and the
// refresh after this program's own writes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/FileSystem.h"
#include "support/OrientedJpeg.h"
#include "support/TestSupport.h"
#include "thumbnails/PngThumbnail.h"
#include "thumbnails/ThumbnailCache.h"
#include "thumbnails/ThumbnailMaker.h"

namespace pixaldo {
namespace {

using test::MakeJpeg;
using test::TempDir;
using test::WriteBytes;

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

struct CacheFixture : ::testing::Test {
  TempDir photos;
  TempDir home;
  ThumbnailCache cache{home / "thumbnails"};

  fs::path Photo(const std::string& name, const std::string& bytes) {
    const fs::path path = photos / name;
    WriteBytes(path, bytes);
    return path;
  }
  fs::path EntryOf(const fs::path& photo, ThumbnailSize size = ThumbnailSize::Normal) const {
    return cache.Names().Entry(FileUri(fs::absolute(photo)), size);
  }
};

TEST(ThumbnailNames, UriAndMd5AsTheDesktopMakesThem) {
  const struct {
    std::string path, uri;
  } cases[] = {
      {"/home/jens/photos/me.png", "file:///home/jens/photos/me.png"},
      {"/a b/c#d?e%f.jpg", "file:///a%20b/c%23d%3Fe%25f.jpg"},
      {"/keep/!$&'()*+,-.:=@_~", "file:///keep/!$&'()*+,-.:=@_~"},
      {"/x/[y]{z}^`|\\\"<>;", "file:///x/%5By%5D%7Bz%7D%5E%60%7C%5C%22%3C%3E%3B"},
      {"/\xC5\xBElu\xC5\xA5/caf\xE9.jpg", "file:///%C5%BElu%C5%A5/caf%E9.jpg"},  // UTF-8, then a Latin-1 byte
  };
  for (const auto& [path, uri] : cases) EXPECT_EQ(FileUri(path), uri) << path;
  EXPECT_EQ(ThumbnailNames::EntryName("file:///home/jens/photos/me.png"), "c6ee772d9e49320e97ec29a7eb5b1697.png");
}

TEST(ThumbnailMaker, FitsTheBoxAndTrustsOnlyMatchingExifThumbnails) {
  EXPECT_EQ(FitThumbnail(4000, 3000, 256).width, 256);
  EXPECT_EQ(FitThumbnail(4000, 3000, 256).height, 192);
  EXPECT_EQ(FitThumbnail(3000, 4000, 128).width, 96);
  EXPECT_EQ(FitThumbnail(100, 40, 128).width, 100);  // never enlarged
  const struct {
    int tw, th, w, h, side;
    bool usable;
  } cases[] = {
      {160, 120, 4000, 3000, 128, true},
      {160, 120, 4000, 3000, 256, false},  // too small for large
      {160, 120, 6000, 4000, 128, false},  // 4:3 with bars for a 3:2 picture
      {160, 107, 6000, 4000, 128, true},
      {120, 160, 4000, 3000, 128, false},  // turned: another picture
      {0, 0, 4000, 3000, 128, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExifThumbnailUsable(c.tw, c.th, c.w, c.h, c.side), c.usable) << c.tw << "x" << c.th;
}

TEST_F(CacheFixture, WritesAPrivateEntryWithTheKeysAndReusesIt) {
  const fs::path photo = Photo("a photo.jpg", MakeJpeg({.width = 640, .height = 480}));
  const ThumbnailResult made = cache.Obtain(photo, ThumbnailSize::Normal, true);
  ASSERT_FALSE(made.Failed()) << made.failure;
  EXPECT_EQ(made.entry, EntryOf(photo));
  EXPECT_EQ(made.image.width, 128);
  EXPECT_EQ(made.image.height, 96);
  EXPECT_EQ(ModeOf(made.entry), 0600u);
  EXPECT_EQ(ModeOf(made.entry.parent_path()), 0700u);
  EXPECT_EQ(ModeOf(home / "thumbnails"), 0700u);

  const std::optional<PngThumbnail> entry = DecodePng(test::ReadBytes(made.entry), 128, false);
  ASSERT_TRUE(entry);
  struct stat info {};
  ::stat(photo.c_str(), &info);
  EXPECT_EQ(entry->Text("Thumb::URI"), FileUri(fs::absolute(photo)));
  EXPECT_EQ(entry->Text("Thumb::MTime"), std::to_string(info.st_mtim.tv_sec));
  EXPECT_EQ(entry->Text("Thumb::Size"), std::to_string(info.st_size));
  EXPECT_EQ(entry->Text("Thumb::Image::Width"), "640");
  EXPECT_EQ(entry->Text("Thumb::Image::Height"), "480");
  EXPECT_EQ(entry->Text("Software"), ThumbnailCache::Software());

  // A second look reads the entry instead of making it again.
  const auto before = fs::last_write_time(made.entry);
  EXPECT_TRUE(cache.Lookup(photo, ThumbnailSize::Normal, false));
  EXPECT_EQ(cache.Obtain(photo, ThumbnailSize::Normal, false).entry, made.entry);
  EXPECT_EQ(fs::last_write_time(made.entry), before);
  for (const auto& item : fs::directory_iterator(made.entry.parent_path()))  // no temporary file left
    EXPECT_EQ(item.path(), made.entry);
}

TEST_F(CacheFixture, StaleDamagedAndLyingEntriesAreMadeAgain) {
  const fs::path photo = Photo("p.jpg", MakeJpeg({.width = 320, .height = 240}));
  const fs::path entry = cache.Obtain(photo, ThumbnailSize::Normal, false).entry;
  ASSERT_FALSE(entry.empty());
  const std::string good = test::ReadBytes(entry);

  const auto remade = [&](const std::string& why) {
    EXPECT_FALSE(cache.Lookup(photo, ThumbnailSize::Normal, false)) << why;
    EXPECT_FALSE(cache.Obtain(photo, ThumbnailSize::Normal, false).Failed()) << why;
    EXPECT_TRUE(cache.Lookup(photo, ThumbnailSize::Normal, true)) << why;
  };
  fs::last_write_time(photo, fs::last_write_time(photo) - std::chrono::hours(1));
  remade("another date");
  WriteBytes(photo, MakeJpeg({.width = 320, .height = 240, .quality = 50}));
  fs::last_write_time(photo, fs::last_write_time(photo) - std::chrono::hours(1));
  {
    // The same date as the entry says, but another size.
    const std::optional<PngThumbnail> old = DecodePng(test::ReadBytes(entry), 128, false);
    ASSERT_TRUE(old);
    fs::last_write_time(photo, fs::file_time_type(std::chrono::seconds(std::stoll(*old->Text("Thumb::MTime")))));
    remade("another size");
  }
  WriteBytes(entry, "not a PNG at all");
  remade("no PNG");
  WriteBytes(entry, good.substr(0, good.size() / 2));
  remade("truncated");
  RgbImage big;
  big.width = big.height = 512;
  big.pixels.assign(big.Stride() * 512, 7);
  WriteBytes(entry, EncodePng(big, {{"Thumb::URI", FileUri(fs::absolute(photo))}}));
  remade("larger than its folder's size");
}

TEST_F(CacheFixture, UprightByOrientationAndFromTheLargerSize) {
  const std::string upright = MakeJpeg({.width = 640, .height = 320});
  const fs::path photo = Photo("turned.jpg", test::MakeOrientedJpeg(upright, 6, photos.path()));
  const ThumbnailResult large = cache.Obtain(photo, ThumbnailSize::Large, true);
  ASSERT_FALSE(large.Failed()) << large.failure;
  EXPECT_EQ(large.entry, EntryOf(photo, ThumbnailSize::Large));
  EXPECT_EQ(large.image.width, 256);
  EXPECT_EQ(large.image.height, 128);
}

TEST_F(CacheFixture, UnreadablePhotosAreRecordedAsFailures) {
  std::string huge = MakeJpeg({.width = 64, .height = 48});
  const size_t sof = huge.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  huge[sof + 5] = huge[sof + 7] = char(0xFD);  // 65,000 × 65,000
  huge[sof + 6] = huge[sof + 8] = char(0xE8);
  const std::string whole = MakeJpeg({.width = 64, .height = 48});
  for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
           {"huge.jpg", huge}, {"cut.jpg", whole.substr(0, 200)}, {"text.jpg", "hello"}}) {
    const fs::path photo = Photo(name, bytes);
    const ThumbnailResult result = cache.Obtain(photo, ThumbnailSize::Normal, true);
    EXPECT_TRUE(result.Failed()) << name;
    EXPECT_TRUE(result.entry.empty()) << name;
    EXPECT_TRUE(cache.FailedBefore(photo)) << name;
    EXPECT_TRUE(fs::exists(cache.Names().FailEntry(FileUri(fs::absolute(photo))))) << name;
  }
  EXPECT_EQ(cache.Names().FailFolder().parent_path().filename(), "fail");
}

TEST_F(CacheFixture, AReadOnlyCacheFileKeepsThumbnailsInMemory) {
  // A file in the way of the folder stops every user, root too (who
  // ignores a read-only folder's permissions).
  WriteBytes(home / "thumbnails", "in the way");
  const fs::path photo = Photo("ro.jpg", MakeJpeg({.width = 64, .height = 48}));
  const ThumbnailResult result = cache.Obtain(photo, ThumbnailSize::Normal, true);
  EXPECT_FALSE(result.Failed()) << result.failure;
  EXPECT_TRUE(result.entry.empty());
  EXPECT_EQ(result.image.width, 64);
}

TEST_F(CacheFixture, NamesThatAreNoUtf8AreEncodedFromTheirBytes) {
  const fs::path photo = Photo("caf\xE9.jpg", MakeJpeg());
  const ThumbnailResult result = cache.Obtain(photo, ThumbnailSize::Normal, false);
  ASSERT_FALSE(result.Failed()) << result.failure;
  const std::optional<PngThumbnail> entry = DecodePng(test::ReadBytes(result.entry), 128, false);
  ASSERT_TRUE(entry);
  EXPECT_NE(entry->Text("Thumb::URI")->find("caf%E9.jpg"), std::string::npos);
}

TEST_F(CacheFixture, WritingAPhotoDropsItsEntries) {
  const fs::path photo = Photo("w.jpg", MakeJpeg());
  ::setenv("XDG_CACHE_HOME", home.path().c_str(), 1);
  ThumbnailCache desktop;
  const fs::path normal = desktop.Obtain(photo, ThumbnailSize::Normal, false).entry;
  const fs::path large = desktop.Obtain(photo, ThumbnailSize::Large, false).entry;
  ASSERT_TRUE(fs::exists(normal) && fs::exists(large));
  InstallThumbnailRefresh();
  WriteFileAtomic(photo, MakeJpeg({.quality = 40}), GetFileDate(photo));  // the date kept
  SetWrittenFileObserver(nullptr);
  ::unsetenv("XDG_CACHE_HOME");
  EXPECT_FALSE(fs::exists(normal));
  EXPECT_FALSE(fs::exists(large));
}

}  // namespace
}  // namespace pixaldo
