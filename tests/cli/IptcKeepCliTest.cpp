// set-iptc and comment on photos made here: datasets compared one by one
// before and after, the character set others read (exiftool, exiv2), the
// refusals, the IPTC and XMP blocks found wherever they stand.
#include <gtest/gtest.h>

#include <sstream>

#include "support/ExifBuilder.h"
#include "support/IptcBlocks.h"
#include "support/JpegSegments.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using std::string_literals::operator""s;
using test::IptcDataset;
using test::RunCli;

std::string App13(const std::string& datasets, const std::string& before = {}) {
  return test::PhotoshopPayload(before + test::ImageResource(0x0404, datasets));
}

class IptcKeep : public ::testing::Test {
 protected:
  // A photo with the segments (marker, payload) after SOI.
  test::fs::path Photo(const std::vector<std::pair<uint8_t, std::string>>& segments) {
    std::vector<std::string> made;
    for (const auto& [marker, payload] : segments) made.push_back(test::Segment(marker, payload));
    const test::fs::path file = dir_ / ("photo" + std::to_string(++photos_) + ".jpg");
    test::WriteBytes(file, test::JpegWithSegments(made));
    return file;
  }

  // One tag's value as exiftool reads it (IPTC without a mark as Latin-1, its default).
  static std::string Exiftool(const test::fs::path& file, const std::string& tag) {
    return test::Run({"exiftool", "-s3", "-" + tag, file.string()}).out;
  }
  // One dataset's value as exiv2 reads it.
  static std::string Exiv2(const test::fs::path& file, const std::string& key) {
    auto result = test::Run({"exiv2", "-q", "-K", key, "-Pv", "pr", file.string()});
    return result.out;
  }

  static std::string Summary(const test::fs::path& file, const std::string& key) {
    std::istringstream in(RunCli({"summary", file.string()}).out);
    for (std::string line; std::getline(in, line);)
      if (line.rfind(key + "\t", 0) == 0) return line.substr(key.size() + 1);
    return "<missing>";
  }

  test::TempDir dir_;
  int photos_ = 0;
};

TEST_F(IptcKeep, AnEditChangesOnlyItsDatasetAndUnmarkedLatin1IsReadByTheXmp) {
  const std::string title = "Espa\xF1" "a Se\xF1or";  // Latin-1, as exiftool writes by default
  const auto file = Photo({{0xE1, test::XmpPayload(test::XmpPacketWith(
                                      "<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>España Señor</rdf:li>"
                                      "</rdf:Alt></dc:title>"))},
                           {0xED, App13(IptcDataset(1, 20, "\x00\x01"s) + IptcDataset(2, 0, "\x00\x04"s) +
                                        IptcDataset(2, 25, "Smith, John") + IptcDataset(2, 25, "b") +
                                        IptcDataset(2, 20, "x, y") + IptcDataset(2, 5, title) +
                                        IptcDataset(3, 10, "three") + IptcDataset(7, 10, "seven") +
                                        IptcDataset(9, 10, "nine"))}});
  const auto before = test::StoredDatasets(test::ReadBytes(file));
  EXPECT_EQ(Summary(file, "ObjectName"), "España Señor");

  ASSERT_EQ(RunCli({"set-iptc", file.string(), "--category", "Zoo"}).exitCode, 0);
  auto after = test::StoredDatasets(test::ReadBytes(file));
  ASSERT_EQ(after.size(), before.size() + 1);
  EXPECT_EQ(after.back(), (test::StoredDataset{9, 10, "nine"}));
  std::erase(after, test::StoredDataset{2, 15, "Zoo"});
  EXPECT_EQ(after, before);

  // Text outside ASCII: the record turns UTF-8 behind its mark, the Latin-1
  // title converted, and every other program reads the same.
  ASSERT_EQ(RunCli({"set-iptc", file.string(), "--category", "Zvířata"}).exitCode, 0);
  EXPECT_EQ(test::StoredDatasets(test::ReadBytes(file))[1], (test::StoredDataset{1, 90, "\x1B%G"}));
  if (!test::HaveProgram("exiftool") || !test::HaveProgram("exiv2")) GTEST_SKIP() << "exiftool or exiv2 missing";
  for (const auto& [tag, key, value] : {std::tuple{"IPTC:ObjectName", "Iptc.Application2.ObjectName", "España Señor"},
                                        {"IPTC:Category", "Iptc.Application2.Category", "Zvířata"},
                                        {"IPTC:Keywords", "Iptc.Application2.Keywords", "Smith, John"}}) {
    EXPECT_EQ(Exiftool(file, tag).substr(0, std::string(value).size()), value) << tag;
    EXPECT_EQ(Exiv2(file, key).substr(0, std::string(value).size()), value) << key;
  }
}

TEST_F(IptcKeep, RefusalsLeaveTheFileAndNameTheField) {
  const auto file = Photo({{0xED, App13(IptcDataset(2, 5, "t"))}});
  const std::string before = test::ReadBytes(file);
  auto result = RunCli({"set-iptc", file.string(), "--title", "caf\xE9"});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_NE(result.err.find("--title is not valid UTF-8"), std::string::npos) << result.err;
  EXPECT_EQ(RunCli({"comment", file.string(), "caf\xE9"}).exitCode, 2);

  result = RunCli({"set-iptc", file.string(), "--title", "ok", "--category", std::string(40000, 'c')});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("the Category takes 40000 bytes, more than its limit of 64 bytes"), std::string::npos)
      << result.err;
  EXPECT_EQ(test::ReadBytes(file), before);

  // The longest category allowed is read whole by both other programs.
  const std::string longest(64, 'c');
  ASSERT_EQ(RunCli({"set-iptc", file.string(), "--category", longest}).exitCode, 0);
  if (!test::HaveProgram("exiftool") || !test::HaveProgram("exiv2")) GTEST_SKIP() << "exiftool or exiv2 missing";
  EXPECT_EQ(Exiv2(file, "Iptc.Application2.Category"), longest + "\n");
  EXPECT_EQ(Exiftool(file, "IPTC:Category"), longest + "\n");
}

TEST_F(IptcKeep, BlocksAreFoundWhereverTheyStand) {
  // 24 other segments first, then the IPTC segment after a thumbnail
  // resource whose bytes hold 1C 02 05; then a second XMP packet.
  std::vector<std::pair<uint8_t, std::string>> segments;
  segments.push_back({0xE1, test::XmpPayload(test::XmpPacketWith("<xmp:Rating>3</xmp:Rating>"))});
  for (int i = 0; i < 24; ++i) segments.push_back({0xE2, "filler " + std::to_string(i)});
  segments.push_back({0xED, App13(IptcDataset(2, 120, "the caption"),
                                  test::ImageResource(0x0409, "\x1C\x02\x05\x00\x05wrong"s))});
  segments.push_back({0xE1, test::XmpPayload(test::XmpPacketWith("<dc:creator><rdf:Seq><rdf:li>Ann</rdf:li>"
                                                                  "</rdf:Seq></dc:creator>"))});
  const auto file = Photo(segments);
  EXPECT_EQ(Summary(file, "ImageCaption"), "the caption");
  EXPECT_EQ(Summary(file, "ObjectName"), "");

  ASSERT_EQ(RunCli({"set-iptc", file.string(), "--title", "new"}).exitCode, 0);
  const std::string after = test::ReadBytes(file);
  EXPECT_EQ(test::CountSegments(after, 0xED), 1);
  EXPECT_EQ(test::CountSegments(after, 0xE1), 1);
  EXPECT_NE(test::FirstPayload(after, 0xE1).value_or("").find("Ann"), std::string::npos);
  EXPECT_NE(test::FirstPayload(after, 0xE1).value_or("").find("new"), std::string::npos);
  EXPECT_NE(test::FirstPayload(after, 0xED).value_or("").find("wrong"), std::string::npos);  // the thumbnail stays
  EXPECT_EQ(Summary(file, "ImageCaption"), "the caption");
}

TEST_F(IptcKeep, XmpOfAnotherFormIsReplacedAndTheLibraryKeepsQuiet) {
  const auto file = Photo({{0xE1, test::XmpPayload(test::XmpPacketWith(
                                      "<photoshop:Category><rdf:Bag><rdf:li>old</rdf:li></rdf:Bag></photoshop:Category>"
                                      "<dc:title>plain</dc:title>"))}});
  auto result = RunCli({"set-iptc", file.string(), "--category", "Zoo", "--title", "T"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.err, "");
  const std::string xmp = test::FirstPayload(test::ReadBytes(file), 0xE1).value_or("");
  EXPECT_NE(xmp.find("Zoo"), std::string::npos);
  EXPECT_EQ(xmp.find("old"), std::string::npos);
  EXPECT_NE(xmp.find("x-default"), std::string::npos);

  const auto broken = Photo({{0xE1, test::XmpPayload("<x:xmpmeta><rdf:RDF>not XML; title")}});
  result = RunCli({"summary", broken.string()});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
}

TEST_F(IptcKeep, CommentsTakeAnyLanguageInUtf8) {
  const auto file = Photo({});
  ASSERT_EQ(RunCli({"comment", file.string(), "北京的秋天 Žluť"}).exitCode, 0);
  EXPECT_EQ(test::FirstPayload(test::ReadBytes(file), 0xFE), std::optional<std::string>("北京的秋天 Žluť"));
  EXPECT_NE(RunCli({"tags", file.string()}).out.find("comment\t\t北京的秋天 Žluť\n"), std::string::npos);
  if (!test::HaveProgram("exiftool")) GTEST_SKIP() << "exiftool not installed";
  EXPECT_EQ(Exiftool(file, "Comment"), "北京的秋天 Žluť\n");
}

}  // namespace
}  // namespace pixaldo
