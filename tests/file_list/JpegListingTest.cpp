// Which directory entries the file list shows, and in which order.
#include <gtest/gtest.h>

#include "file_list/JpegListing.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::TempDir;
using test::WriteBytes;

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

TEST(ListJpegNames, ListsVisibleJpegEntriesInNaturalOrder) {
  TempDir dir;
  for (const char* name : {"IMG_10.jpg", "c.Jpg", "a.JPG", "d.png", "img_2.JPG", "B.jpeg", "e.jpe", ".hidden.jpg",
                           "IMG_2.jpg", "IMG_002.jpg", "z.jpg", "IMG_1.jpeg", "caf\xe9.jpg"})
    WriteBytes(dir / name, "x");
  fs::create_directory(dir / "f.jpg");  // a subdirectory named like a picture is listed
  fs::create_directory(dir / "sub");

  // Case and leading zeros only break ties; a name that is no UTF-8 keeps its bytes.
  const std::vector<std::string> expected{"a.JPG",     "B.jpeg",    "c.Jpg",     "caf\xe9.jpg", "f.jpg",
                                          "IMG_1.jpeg", "IMG_002.jpg", "IMG_2.jpg", "img_2.JPG",  "IMG_10.jpg",
                                          "z.jpg"};
  EXPECT_EQ(ListJpegNames(dir.path()), expected);

  JpegListing listing(dir.path().string() + "/");
  EXPECT_EQ(listing.Names(), expected);
  EXPECT_EQ(listing.FullPath(listing.FileNameAt(3)), dir.path() / "caf\xe9.jpg");
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
