// Moving files to the desktop's trash.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/FileError.h"
#include "platform/Trash.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// Points XDG_DATA_HOME somewhere else for as long as it lives.
class DataHomeScope {
 public:
  explicit DataHomeScope(const fs::path& dataHome) {
    if (const char* old = std::getenv("XDG_DATA_HOME")) old_ = old;
    ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
  }
  ~DataHomeScope() {
    if (old_)
      ::setenv("XDG_DATA_HOME", old_->c_str(), 1);
    else
      ::unsetenv("XDG_DATA_HOME");
  }

 private:
  std::optional<std::string> old_;
};

TEST(MoveToTrash, MakesTheMissingHomeTrashAndRecordsWhereTheFileCameFrom) {
  TempDir dir;
  fs::create_directory(dir / "photos");
  WriteBytes(dir / "photos/beach 1.jpg", "one");
  WriteBytes(dir / "photos/caf\xe9.jpg", "two");
  fs::create_directory(dir / "other");
  WriteBytes(dir / "other/beach 1.jpg", "three");
  const DataHomeScope scope(dir / "missing/share");

  const fs::path trash = dir / "missing/share/Trash";
  EXPECT_EQ(MoveToTrash(dir / "photos/beach 1.jpg"), trash / "files/beach 1.jpg");
  EXPECT_EQ(ReadBytes(trash / "files/beach 1.jpg"), "one");
  const std::string info = ReadBytes(trash / "info/beach 1.jpg.trashinfo");
  const std::string header = "[Trash Info]\nPath=" + (dir / "photos").string() + "/beach%201.jpg\nDeletionDate=";
  EXPECT_EQ(info.substr(0, header.size()), header);
  struct stat mode {};
  ASSERT_EQ(::stat(trash.c_str(), &mode), 0);
  EXPECT_EQ(mode.st_mode & 0777, 0700u);

  // A second file of the same name gets a number; a name that is no UTF-8
  // is recorded byte for byte.
  EXPECT_EQ(MoveToTrash(dir / "other/beach 1.jpg"), trash / "files/beach 1.2.jpg");
  EXPECT_EQ(ReadBytes(trash / "files/beach 1.jpg"), "one");
  MoveToTrash(dir / "photos/caf\xe9.jpg");
  EXPECT_NE(ReadBytes(trash / "info/caf\xe9.jpg.trashinfo").find("/caf%E9.jpg\n"), std::string::npos);

  // Nothing was made beside the photos.
  EXPECT_TRUE(fs::is_empty(dir / "photos"));
  EXPECT_TRUE(fs::is_empty(dir / "other"));
}

TEST(MoveToTrash, FailureKeepsTheFileAndSaysWhy) {
  TempDir dir;
  WriteBytes(dir / "a.jpg", "photo");
  fs::create_directory(dir / "share");
  WriteBytes(dir / "share/Trash", "a file where the trash folder belongs");
  const DataHomeScope scope(dir / "share");
  try {
    MoveToTrash(dir / "a.jpg");
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(error.path(), dir / "a.jpg");
    EXPECT_NE(error.reason().find("trash"), std::string::npos) << error.reason();
  }
  EXPECT_EQ(ReadBytes(dir / "a.jpg"), "photo");
  EXPECT_THROW(MoveToTrash(dir / "gone.jpg"), FileError);
  EXPECT_EQ((std::vector<std::string>{"a.jpg", "share"}), dir.List());
}

}  // namespace
}  // namespace pixaldo
