// Keywords, ratings and press fields through pixaldo-cli, checked by exiftool's
// reading of IPTC, XMP and EXIF.
#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/IptcBlocks.h"
#include "support/JpegSegments.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::RunCli;

class KeywordsCli : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("exiftool")) GTEST_SKIP() << "exiftool not installed";
    file_ = dir_ / "k.jpg";
    test::WriteBytes(file_, test::MakeJpeg());
  }
  void Exiftool(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"exiftool", "-q", "-overwrite_original"};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.push_back(file_.string());
    ASSERT_EQ(test::Run(argv).exitCode, 0);
  }
  // exiftool's values of one tag (a list comes one item a line).
  std::string Read(const std::string& tag) {
    auto result = test::Run({"exiftool", "-s3", "-sep", "|", "-charset", "iptc=utf8", "-" + tag, file_.string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    if (!result.out.empty() && result.out.back() == '\n') result.out.pop_back();
    return result.out;
  }
  void Cli(const std::vector<std::string>& args, int exitCode = 0) {
    std::vector<std::string> argv = args;
    argv.insert(argv.begin() + 1, file_.string());
    auto result = RunCli(argv);
    EXPECT_EQ(result.exitCode, exitCode) << result.err;
    lastError_ = result.err;
  }
  test::TempDir dir_;
  test::fs::path file_;
  std::string lastError_;
};

TEST_F(KeywordsCli, KeywordOptionsKeepIptcAndXmpInStep) {
  Exiftool({"-XMP-dc:Title=Sea", "-IPTC:Contact=desk", "-XMP-dc:Subject=stale"});
  struct Step {
    std::vector<std::string> args;
    std::string expected;
  } steps[] = {
      {{"set-iptc", "--keyword", "a, b", "--keyword", " c;d ", "--keyword", "\"q\"", "--keyword", "c;d"}, "a, b|c;d|\"q\""},
      {{"set-iptc", "--add-keyword", "Žluťoučký kůň", "--add-keyword", "长城", "--add-keyword", "a, b"},
       "a, b|c;d|\"q\"|Žluťoučký kůň|长城"},
      {{"set-iptc", "--remove-keyword", "c;d", "--remove-keyword", "absent"}, "a, b|\"q\"|Žluťoučký kůň|长城"},
      {{"set-iptc", "--keyword", ""}, ""},
  };
  for (const auto& step : steps) {
    Cli(step.args);
    EXPECT_EQ(Read("IPTC:Keywords"), step.expected) << step.args[1];
    EXPECT_EQ(Read("XMP-dc:Subject"), step.expected) << step.args[1];
  }
  EXPECT_EQ(Read("IPTC:Contact"), "desk");
  EXPECT_EQ(Read("XMP-dc:Title"), "Sea");
}

TEST_F(KeywordsCli, SummaryAndTagsShowKeywordsAndRating) {
  Exiftool({"-IPTC:Keywords=iptc", "-XMP-dc:Subject=xmp", "-XMP-xmp:Rating=3"});
  auto summary = nlohmann::json::parse(RunCli({"summary", "--json", file_.string()}).out);
  EXPECT_EQ(summary["Keywords"], nlohmann::json::array({"iptc"}));  // IPTC wins
  EXPECT_EQ(summary["Rating"], 3);
  Exiftool({"-XMP-xmp:Rating=7"});
  summary = nlohmann::json::parse(RunCli({"summary", "--json", file_.string()}).out);
  EXPECT_EQ(summary["Rating"], 0);  // no number of stars
  Cli({"set-iptc", "--credit", "A"});
  EXPECT_EQ(Read("XMP-xmp:Rating"), "7");  // kept until a rating is set
  const std::string tags = RunCli({"tags", file_.string()}).out;
  EXPECT_NE(tags.find("photo\tKeyword\tiptc\n"), std::string::npos) << tags;
}

TEST_F(KeywordsCli, SetRatingWritesXmpAndTheExifTagsThereAre) {
  Cli({"set-rating", "--stars", "4"});
  EXPECT_EQ(Read("XMP-xmp:Rating"), "4");  // a packet made for it
  EXPECT_EQ(Read("EXIF:Rating"), "");      // none added
  Exiftool({"-EXIF:Rating=1", "-EXIF:RatingPercent=1", "-IPTC:Keywords=k"});
  const std::string iptc = *test::FirstPayload(test::ReadBytes(file_), 0xED);
  Cli({"set-rating", "--stars", "5"});
  EXPECT_EQ(Read("EXIF:Rating"), "5");
  EXPECT_EQ(Read("EXIF:RatingPercent"), "99");
  EXPECT_EQ(*test::FirstPayload(test::ReadBytes(file_), 0xED), iptc);
  Cli({"set-rating", "--stars", "0"});
  EXPECT_EQ(Read("XMP-xmp:Rating"), "");
  EXPECT_EQ(Read("EXIF:Rating"), "0");
  for (const char* bad : {"6", "-1", "abc", "", "2.5"}) Cli({"set-rating", "--stars", bad}, 2);
}

TEST_F(KeywordsCli, PressFieldsWithTheirXmpTwinsAndLimits) {
  Exiftool({"-XMP-dc:Title=Sea"});
  Cli({"set-iptc", "--by-line", "Jan Novák", "--credit", "ČTK", "--copyright", "(c) 2026", "--headline", "Flood",
       "--city", "Praha", "--country", "Czechia", "--instructions", "Embargo", "--source", "Own"});
  const std::pair<const char*, const char*> pairs[] = {
      {"IPTC:By-line", "XMP-dc:Creator"},          {"IPTC:Credit", "XMP-photoshop:Credit"},
      {"IPTC:CopyrightNotice", "XMP-dc:Rights"},   {"IPTC:Headline", "XMP-photoshop:Headline"},
      {"IPTC:City", "XMP-photoshop:City"},         {"IPTC:Country-PrimaryLocationName", "XMP-photoshop:Country"},
      {"IPTC:SpecialInstructions", "XMP-photoshop:Instructions"}, {"IPTC:Source", "XMP-photoshop:Source"},
  };
  for (const auto& [iptc, xmp] : pairs) {
    EXPECT_FALSE(Read(iptc).empty()) << iptc;
    EXPECT_EQ(Read(iptc), Read(xmp)) << iptc;
  }
  const std::string before = test::ReadBytes(file_);
  Cli({"set-iptc", "--city", std::string(33, 'x')}, 1);
  EXPECT_NE(lastError_.find("32 bytes"), std::string::npos) << lastError_;
  Cli({"set-iptc", "--add-keyword", std::string(65, 'k')}, 1);
  EXPECT_NE(lastError_.find("64 bytes"), std::string::npos) << lastError_;
  EXPECT_EQ(test::ReadBytes(file_), before);
}

}  // namespace
}  // namespace pixaldo
