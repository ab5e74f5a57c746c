// pixaldo-cli tags: the metadata window's lists, in its order.
#include <gtest/gtest.h>

#include <sstream>

#include "exif/ExifData.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

struct Line {
  std::string group, description, value;
};

std::vector<Line> Lines(const std::string& out) {
  std::vector<Line> lines;
  std::istringstream in(out);
  std::string text;
  while (std::getline(in, text)) {
    Line l;
    size_t a = text.find('\t'), b = text.find('\t', a + 1);
    l.group = text.substr(0, a);
    l.description = text.substr(a + 1, b - a - 1);
    l.value = text.substr(b + 1);
    lines.push_back(l);
  }
  return lines;
}

std::vector<Line> Tags(const std::string& relative) {
  auto r = test::RunCli({"tags", test::TestData(relative).string()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return Lines(r.out);
}

TEST(TagsCommandTest, GroupsInTheWindowsOrder) {
  PIXALDO_NEEDS_SAMPLES();
  const std::vector<std::string> order = {"exif", "maker", "thumbnail", "iptc", "comment", "photo", "icc"};
  for (const char* file : {"maker/Canon.jpg", "cameras/Nikon_D70.jpg", "cameras/DSCN0010.jpg", "iptc/IPTC.jpg",
                           "cameras/et_PhotoMechanic.jpg"}) {
    SCOPED_TRACE(file);
    auto lines = Tags(file);
    ASSERT_FALSE(lines.empty());
    size_t rank = 0;
    for (const Line& l : lines) {
      auto it = std::find(order.begin(), order.end(), l.group);
      ASSERT_NE(it, order.end()) << l.group;
      ASSERT_GE(size_t(it - order.begin()), rank) << l.group << " after a later group";
      rank = size_t(it - order.begin());
    }
  }
}

TEST(TagsCommandTest, ListsTheReadersEntries) {
  PIXALDO_NEEDS_SAMPLES();
  auto lines = Tags("maker/Canon.jpg");
  TimgData data(255);
  ASSERT_TRUE(data.ReadFile(test::TestData("maker/Canon.jpg")));
  std::vector<std::string> expected;
  for (const TTagEntry& t : data.ExifInfo->Tags)
    expected.push_back(std::string(t.Group ? "maker" : "exif") + "|" + t.Description);
  std::stable_partition(expected.begin(), expected.end(), [](const std::string& s) { return s.rfind("exif", 0) == 0; });
  std::vector<std::string> got;
  for (const Line& l : lines)
    if (l.group == "exif" || l.group == "maker") got.push_back(l.group + "|" + l.description);
  EXPECT_EQ(got, expected);

  auto find = [&](const std::string& group, const std::string& description) {
    for (const Line& l : lines)
      if (l.group == group && l.description == description) return l.value;
    return std::string("<missing>");
  };
  EXPECT_EQ(find("maker", "Drive Mode"), "Continuous");
  EXPECT_EQ(find("maker", "OwnerName"), "\"Phil Harvey\"");
}

TEST(TagsCommandTest, ThumbnailCommentAndEscapes) {
  PIXALDO_NEEDS_SAMPLES();
  auto lines = Tags("cameras/Nikon_D70.jpg");
  ASSERT_FALSE(lines.empty());
  // The comment, then the profile GIMP embedded.
  const auto comment = std::find_if(lines.begin(), lines.end(), [](const Line& l) { return l.group == "comment"; });
  ASSERT_NE(comment, lines.end());
  EXPECT_EQ(comment->description, "");
  EXPECT_EQ(comment->value, "comment in GIMP 2.4.5");
  EXPECT_EQ(lines.back().group, "icc");
  EXPECT_EQ(lines.back().value, "3144 bytes");
  bool offset = false;
  for (const Line& l : lines) offset = offset || (l.group == "thumbnail" && l.value == "566");
  EXPECT_TRUE(offset);

  bool escaped = false;
  for (const Line& l : Tags("cameras/DSCN0010.jpg"))
    escaped = escaped || (l.description == "Focus Area" && l.value == "\"\\x00\\x00\\x00\\x00\"");
  EXPECT_TRUE(escaped);
}

TEST(TagsCommandTest, MissingFileAndUsage) {
  test::TempDir dir;
  auto missing = test::RunCli({"tags", (dir / "none.jpg").string()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("none.jpg"), std::string::npos);
  EXPECT_EQ(test::RunCli({"tags"}).exitCode, 2);
}

// exiftool as an outside check of the basic values.
TEST(TagsCommandTest, AgreesWithExiftool) {
  PIXALDO_NEEDS_SAMPLES();
  if (!test::HaveProgram("exiftool")) GTEST_SKIP() << "exiftool not installed";
  const std::pair<const char*, const char*> fields[] = {
      {"Make", "Make"}, {"Model", "Model"}, {"Date Time Original", "DateTimeOriginal"},
      {"Exif Image Width", "ExifImageWidth"}, {"ISOSpeed Ratings", "ISO"}};
  for (const char* file : {"cameras/Canon_40D.jpg", "cameras/Nikon_D70.jpg", "cameras/Olympus_C8080WZ.jpg",
                           "cameras/Panasonic_DMC-FZ30.jpg", "cameras/Pentax_K10D.jpg", "cameras/Sony_HDR-HC3.jpg"}) {
    SCOPED_TRACE(file);
    auto lines = Tags(file);
    std::vector<std::string> argv = {"exiftool", "-s3", "-n", "-f"};
    for (const auto& field : fields) argv.push_back(std::string("-") + field.second);
    argv.push_back(test::TestData(file).string());
    std::istringstream oracle(test::Run(argv).out);
    for (const auto& field : fields) {
      const std::string description = field.first;
      std::string expected;
      std::getline(oracle, expected);
      std::string ours;
      for (const Line& l : lines)
        if (l.group == "exif" && l.description == description) ours = l.value;
      while (!ours.empty() && ours.back() == ' ') ours.pop_back();  // exiftool trims trailing blanks
      if (ours.empty()) ours = "-";  // what exiftool -f prints for a missing tag
      EXPECT_EQ(ours, expected) << description;
    }
  }
}

}  // namespace
}  // namespace pixaldo
