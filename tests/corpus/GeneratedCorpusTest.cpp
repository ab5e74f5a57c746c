// The made-from-scratch corpus through pixaldo-cli, end to end: what the
// shared sample photos check on camera files, checked without them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/Corpus.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using Json = nlohmann::json;

class GeneratedCorpus : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    test::WriteCorpus(dir_->path());
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static std::string File(const std::string& name) { return (dir_->path() / name).string(); }
  static Json Listing(const std::string& command, const std::string& name) {
    auto result = test::RunCli({command, "--json", File(name)});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return Json::parse(result.out.empty() ? "null" : result.out);
  }
  // The value of the first entry of `group` named `name`.
  static std::string Tag(const Json& tags, const std::string& group, const std::string& name) {
    for (const Json& tag : tags)
      if (tag["group"] == group && tag["name"] == name) return tag["value"];
    return "<missing>";
  }
  static test::TempDir* dir_;
};
test::TempDir* GeneratedCorpus::dir_ = nullptr;

// The entries but the maker note's raw bytes, which differ with the byte order.
Json WithoutRawNote(Json tags) {
  tags.erase(std::remove_if(tags.begin(), tags.end(), [](const Json& tag) { return tag["name"] == "Maker Note"; }),
             tags.end());
  return tags;
}

TEST_F(GeneratedCorpus, BothByteOrdersReadAlike) {
  const Json intel = Listing("tags", "exif-intel.jpg");
  EXPECT_EQ(WithoutRawNote(Listing("tags", "exif-motorola.jpg")), WithoutRawNote(intel));
  EXPECT_EQ(Tag(intel, "exif", "Model"), test::kCorpusModel);
  EXPECT_EQ(Tag(intel, "exif", "GPSLatitude"), "50 Degrees 5 Minutes 0 Seconds");
  EXPECT_EQ(Tag(intel, "maker", "ImageType"), "\"IMG:JPEG file\"");
  EXPECT_EQ(Tag(intel, "comment", ""), test::kCorpusComment);
}

TEST_F(GeneratedCorpus, SummaryAndIptcInBothEncodings) {
  const Json summary = Listing("summary", "exif-intel.jpg");
  EXPECT_EQ(summary["CameraModel"], test::kCorpusModel);
  EXPECT_EQ(summary["FNumber"], "F9.0");
  EXPECT_EQ(summary["ExposureTime"], "1/200 sec");
  EXPECT_EQ(summary["ObjectName"], test::kCorpusTitleUtf8);  // stored as Windows-1250
  EXPECT_EQ(summary["Category"], "Corpus");
  EXPECT_EQ(summary["DctBlock"], "16\xC3\x97" "16");
  const Json utf8 = Listing("summary", "iptc-utf8.jpg");
  EXPECT_EQ(utf8["Category"], "Corpus");
  EXPECT_FALSE(utf8["ObjectName"].get<std::string>().empty());
}

TEST_F(GeneratedCorpus, SegmentsOfEveryKind) {
  std::vector<std::string> markers;
  for (const Json& segment : Listing("segments", "exif-intel.jpg")) markers.push_back(segment["marker"]);
  for (const char* marker : {"FFD8", "FFE1", "FFED", "FFFE", "FFDB", "FFC0", "FFDA"})
    EXPECT_NE(std::find(markers.begin(), markers.end(), marker), markers.end()) << marker;
  EXPECT_EQ(std::count(markers.begin(), markers.end(), "FFE1"), 2);  // EXIF and XMP
}

TEST_F(GeneratedCorpus, EditsKeepThePictureAndTheOtherBlocks) {
  const std::string file = File("exif-motorola.jpg");
  const std::string picture = test::PictureData(test::ReadBytes(file));
  ASSERT_EQ(test::RunCli({"set-iptc", file, "--title", "Nový název"}).exitCode, 0);
  ASSERT_EQ(test::RunCli({"restore-thumbnail", file}).exitCode, 0);
  EXPECT_EQ(test::PictureData(test::ReadBytes(file)), picture);
  const Json summary = Listing("summary", "exif-motorola.jpg");
  EXPECT_EQ(summary["ObjectName"], "Nový název");
  EXPECT_EQ(summary["Category"], "Corpus");
  EXPECT_EQ(summary["CameraModel"], test::kCorpusModel);
  EXPECT_EQ(Tag(Listing("tags", "exif-motorola.jpg"), "comment", ""), test::kCorpusComment);
}

TEST_F(GeneratedCorpus, DamagedAndTruncatedFilesAreReportedNotFatal) {
  for (const char* name : {"damaged-ifd-offset.jpg", "truncated.jpg", "truncated-in-exif.jpg"}) {
    for (const char* command : {"tags", "summary", "segments", "xml"}) {
      SCOPED_TRACE(std::string(command) + " " + name);
      auto result = test::RunCli({command, File(name)});
      EXPECT_LE(result.exitCode, 1) << result.err;
      if (result.exitCode == 1) EXPECT_NE(result.err.find(name), std::string::npos) << result.err;
    }
  }
}

}  // namespace
}  // namespace pixaldo
