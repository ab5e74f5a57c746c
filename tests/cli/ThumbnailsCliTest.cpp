// pixaldo-cli thumbnails: photos and folders, one line a photo, failures
// named on stderr and recorded, the exit status after the rest.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/TestSupport.h"
#include "thumbnails/ThumbnailNames.h"

namespace pixaldo {
namespace {

namespace fs = std::filesystem;
using test::MakeJpeg;
using test::WriteBytes;

struct ThumbnailsCli : ::testing::Test {
  test::TempDir photos;
  test::TempDir cache;
  test::CommandResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {PIXALDO_CLI_PATH, "thumbnails"});
    return test::Run(args, {"LC_ALL=C", "XDG_CACHE_HOME=" + cache.path().string()});
  }
  fs::path Entry(const fs::path& photo, const char* size) const {
    return cache / "thumbnails" / size / ThumbnailNames::EntryName(FileUri(photo));
  }
};

TEST_F(ThumbnailsCli, FolderAndFilesOneLineEachFailuresAfterTheRest) {
  fs::create_directories(photos / "sub");
  WriteBytes(photos / "IMG_10.jpg", MakeJpeg());
  WriteBytes(photos / "IMG_2.jpg", MakeJpeg());
  WriteBytes(photos / "broken.jpg", "not a photo");
  WriteBytes(photos / "sub" / "deeper.jpg", MakeJpeg());
  WriteBytes(photos / "notes.txt", "no photo");
  const auto result = Run({"--size", "large", photos.path().string()});
  EXPECT_EQ(result.exitCode, 1);
  const std::string dir = photos.path().string() + "/";
  EXPECT_EQ(result.out, dir + "IMG_2.jpg\t" + Entry(photos / "IMG_2.jpg", "large").string() + "\n" + dir +
                            "IMG_10.jpg\t" + Entry(photos / "IMG_10.jpg", "large").string() + "\n");
  EXPECT_NE(result.err.find("broken.jpg"), std::string::npos) << result.err;
  EXPECT_TRUE(fs::exists(Entry(photos / "IMG_2.jpg", "large")));
  EXPECT_FALSE(fs::exists(Entry(photos / "sub" / "deeper.jpg", "large")));  // not recursive
  int failures = 0;
  for (const auto& folder : fs::directory_iterator(cache / "thumbnails" / "fail")) {
    EXPECT_EQ(folder.path().filename().string().rfind("pixaldo-", 0), 0u);
    failures += fs::exists(folder.path() / ThumbnailNames::EntryName(FileUri(photos / "broken.jpg")));
  }
  EXPECT_EQ(failures, 1);

  // Warm: the same entries, nothing failing among the good ones.
  const auto again = Run({"--json", (photos / "IMG_2.jpg").string()});
  EXPECT_EQ(again.exitCode, 0) << again.err;
  const auto json = nlohmann::json::parse(again.out);
  ASSERT_EQ(json.size(), 1u);
  EXPECT_EQ(json[0]["thumbnail"], Entry(photos / "IMG_2.jpg", "normal").string());
}

TEST_F(ThumbnailsCli, BadArguments) {
  EXPECT_EQ(Run({"--size", "huge", photos.path().string()}).exitCode, 2);
  EXPECT_EQ(Run({}).exitCode, 2);
  const auto missing = Run({(photos / "gone.jpg").string()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("gone.jpg"), std::string::npos);
}

}  // namespace
}  // namespace pixaldo
