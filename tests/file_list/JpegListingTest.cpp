// Which directory entries the file list shows, and in which order.
#include <dirent.h>
#include <gtest/gtest.h>

#include "file_list/JpegListing.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::TempDir;
using test::WriteBytes;

// The names of a directory in the order the file system hands them out.
std::vector<std::string> EnumerationOrder(const fs::path& directory) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(directory.c_str());
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

TEST(IsJpegName, AcceptsOnlyJpgAndJpegInAnyCase) {
  for (const char* name : {"a.jpg", "a.JPG", "b.jpeg", "c.Jpg", "d.JpEg", "two.dots.jpg", ".jpg", "dir.x/a.jpg"})
    EXPECT_TRUE(IsJpegName(name)) << name;
  for (const char* name : {"d.png", "e.jpe", "jpg", "a.jpg.txt", "a.jpgx", "a.jp", "", "dir.jpg/a", "a.jpg "})
    EXPECT_FALSE(IsJpegName(name)) << name;
}

TEST(FullPath, AddsOneSeparatorOnlyWhenMissing) {
  EXPECT_EQ(FullPath("/photos", "a.jpg"), fs::path("/photos/a.jpg"));
  EXPECT_EQ(FullPath("/photos/", "a.jpg"), fs::path("/photos/a.jpg"));
  EXPECT_EQ(FullPath("relative", "b.JPG"), fs::path("relative/b.JPG"));
  // A name that looks absolute stays inside the directory.
  EXPECT_EQ(FullPath("/photos", "/etc/x.jpg"), fs::path("/photos//etc/x.jpg"));
}

TEST(ListJpegNames, ListsMatchingEntriesInEnumerationOrderUnsorted) {
  TempDir dir;
  for (const char* name : {"c.Jpg", "a.JPG", "d.png", "b.jpeg", "e.jpe", ".hidden.jpg", "z.jpg", "m.jpeg"})
    WriteBytes(dir / name, "x");
  fs::create_directory(dir / "f.jpg");  // a subdirectory named like a picture is listed
  fs::create_directory(dir / "sub");

  std::vector<std::string> expected;
  for (const std::string& name : EnumerationOrder(dir.path()))
    if (name != "d.png" && name != "e.jpe" && name != "sub") expected.push_back(name);
  std::vector<std::string> listed = ListJpegNames(dir.path());
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(listed.size(), 7u);

  JpegListing listing(dir.path().string() + "/");
  EXPECT_EQ(listing.Names(), expected);
  ASSERT_EQ(listing.FileCount(), 7u);
  EXPECT_EQ(listing.FullPath(listing.FileNameAt(0)), dir.path() / expected[0]);
}

TEST(ListJpegNames, MissingOrUnreadableDirectoryGivesEmptyList) {
  TempDir dir;
  EXPECT_TRUE(ListJpegNames(dir / "missing").empty());
  WriteBytes(dir / "file.jpg", "x");
  EXPECT_TRUE(ListJpegNames(dir / "file.jpg").empty());  // a file, not a directory
  JpegListing given(dir.path(), {"b.jpg", "a.jpg"});  // names a list control holds, kept as given
  EXPECT_EQ(given.FileNameAt(1), "a.jpg");
}

}  // namespace
}  // namespace pixaldo
