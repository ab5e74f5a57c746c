#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::TempDir;

TEST(AtomicWrite, ReplacesContentAndKeepsPermissions) {
  TempDir dir;
  auto file = dir / "photo.jpg";
  test::WriteBytes(file, "old");
  ::chmod(file.c_str(), 0640);
  WriteFileAtomic(file, "new content");
  EXPECT_EQ(test::ReadBytes(file), "new content");
  struct stat info {};
  ::stat(file.c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"photo.jpg"});
}

TEST(AtomicWrite, EveryInjectedFailureLeavesTheOriginal) {
  TempDir dir;
  auto file = dir / "photo.jpg";
  test::WriteBytes(file, "original");
  for (int step = 1; step <= 3; ++step) {
    FaultInjection::FailAt(step);
    try {
      WriteFileAtomic(file, "replacement");
      ADD_FAILURE() << "step " << step << " did not fail";
    } catch (const FileError& error) {
      EXPECT_EQ(error.path(), file);
    }
    FaultInjection::Reset();
    EXPECT_EQ(test::ReadBytes(file), "original");
    EXPECT_EQ(dir.List(), std::vector<std::string>{"photo.jpg"});
  }
}

TEST(AtomicWrite, ReadOnlyFileIsRefused) {
  TempDir dir;
  auto file = dir / "photo.jpg";
  test::WriteBytes(file, "original");
  ::chmod(file.c_str(), 0444);
  EXPECT_THROW(WriteFileAtomic(file, "x"), FileError);
  EXPECT_EQ(test::ReadBytes(file), "original");
}

TEST(AtomicWrite, MissingDirectoryIsReported) {
  TempDir dir;
  EXPECT_THROW(WriteFileAtomic(dir / "no" / "such.jpg", "x"), FileError);
}

TEST(FileRead, MissingFileNamesThePath) {
  TempDir dir;
  try {
    ReadWholeFile(dir / "gone.jpg");
    FAIL();
  } catch (const FileError& error) {
    EXPECT_NE(std::string(error.what()).find("gone.jpg"), std::string::npos);
  }
}

TEST(FileDate, IsRestoredExactly) {
  TempDir dir;
  auto file = dir / "photo.jpg";
  test::WriteBytes(file, "x");
  auto before = GetFileDate(file).value() - std::chrono::hours(30) + std::chrono::nanoseconds(123456789);
  SetFileDate(file, before);
  WriteFileAtomic(file, "y");
  SetFileDate(file, before);
  EXPECT_EQ(GetFileDate(file).value(), before);
}

}  // namespace
}  // namespace pixaldo
