// summary, set-iptc, comment and xml through pixaldo-cli, with exiftool and a
// standard XML parser as independent readers.
#include <gtest/gtest.h>

#include <sstream>

#include "exif/ExifData.h"
#include "platform/FileSystem.h"
#include "support/Corpus.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::RunCli;

// exiftool's lines "Tag : value" for the IPTC datasets, read as Windows-1250.
std::vector<std::string> ExiftoolIptc(const fs::path& file, const std::vector<std::string>& tags = {"-IPTC:all"}) {
  std::vector<std::string> argv = {"exiftool", "-charset", "iptc=cp1250", "-s"};
  argv.insert(argv.end(), tags.begin(), tags.end());
  argv.push_back(file.string());
  auto result = test::Run(argv);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  std::vector<std::string> lines;
  std::istringstream in(result.out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The number of problems exiftool's validation finds (0 for "OK").
int ExiftoolWarnings(const fs::path& file) {
  auto lines = ExiftoolIptc(file, {"-validate"});
  std::string value = lines.empty() ? "" : lines[0].substr(lines[0].find(": ") + 2);
  return value == "OK" ? 0 : std::atoi(value.c_str());
}

std::vector<std::string> Without(std::vector<std::string> lines, const std::vector<std::string>& tags) {
  std::erase_if(lines, [&](const std::string& line) {
    for (const auto& tag : tags)
      if (line.rfind(tag + " ", 0) == 0) return true;
    return false;
  });
  return lines;
}

std::string ValueLine(const std::vector<std::string>& lines, const std::string& tag) {
  for (const auto& line : lines)
    if (line.rfind(tag + " ", 0) == 0) return line.substr(line.find(": ") + 2);
  return "<missing>";
}

TEST(CliSetIptc, CzechFieldsReadBackByExiftoolAndTheRestUnchanged) {
  if (!test::HaveProgram("exiftool")) GTEST_SKIP() << "exiftool not installed";
  // A camera-like photo with IPTC behind EXIF and XMP, and one with a JFIF header only.
  for (const auto& [name, bytes] : {std::pair{"with-iptc.jpg", test::CorpusBytes("exif-intel.jpg")},
                                    std::pair{"jfif-only.jpg", test::MakeJpeg()}}) {
    SCOPED_TRACE(name);
    test::TempDir dir;
    fs::path file = dir / name;
    test::WriteBytes(file, bytes);
    const std::string before = test::ReadBytes(file);
    const auto iptcBefore = ExiftoolIptc(file);
    const int warningsBefore = ExiftoolWarnings(file);
    const std::string title = "Žluťoučký kůň", caption = "Příliš <a & b> úpěl ďábelské ódy", category = "Zoo";  // three bytes, as the IIM wants
    auto result = RunCli({"set-iptc", file.string(), "--category", category, "--title", title, "--caption", caption});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    const auto iptcAfter = ExiftoolIptc(file);
    EXPECT_EQ(ValueLine(iptcAfter, "Category"), category);
    EXPECT_EQ(ValueLine(iptcAfter, "ObjectName"), title);
    EXPECT_EQ(ValueLine(iptcAfter, "Caption-Abstract"), caption);
    // The record turns UTF-8 behind its mark; the rest reads as it did.
    EXPECT_EQ(ValueLine(iptcAfter, "CodedCharacterSet"), "UTF8");
    const std::vector<std::string> edited = {"Category", "ObjectName", "Caption-Abstract", "ApplicationRecordVersion",
                                             "CodedCharacterSet"};
    EXPECT_EQ(Without(iptcAfter, edited), Without(iptcBefore, edited));
    EXPECT_EQ(test::PictureData(test::ReadBytes(file)), test::PictureData(before));
    // No new complaint about the file's structure.
    EXPECT_LE(ExiftoolWarnings(file), warningsBefore);
  }
}

TEST(CliSetIptc, GivenFieldsOnlyAndEmptyTextRemoves) {
  test::TempDir dir;
  fs::path file = dir.Make("exif-intel.jpg");
  ASSERT_EQ(RunCli({"set-iptc", file.string(), "--title", "New"}).exitCode, 0);
  auto summary = RunCli({"summary", file.string()}).out;
  EXPECT_NE(summary.find("Category\tCorpus\nObjectName\tNew\nImageCaption\tCaption in Windows-1250\n"),
            std::string::npos)
      << summary;
  ASSERT_EQ(RunCli({"set-iptc", file.string(), "--caption", ""}).exitCode, 0);
  summary = RunCli({"summary", file.string()}).out;
  EXPECT_NE(summary.find("ObjectName\tNew\nImageCaption\t\n"), std::string::npos);
  EXPECT_EQ(RunCli({"tags", file.string()}).out.find("Image caption\t"), std::string::npos);
}

TEST(CliComment, TextThatIsNotUtf8IsRefusedBeforeWriting) {
  test::TempDir dir;
  fs::path file = dir.Make("exif-intel.jpg");
  const std::string before = test::ReadBytes(file);
  auto result = RunCli({"comment", file.string(), "\xCE" "mega"});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_EQ(test::ReadBytes(file), before);
}

TEST(CliSetIptc, KeepDatePutsTheTimeBack) {
  test::TempDir dir;
  fs::path file = dir.Make("exif-intel.jpg");
  auto old = fs::last_write_time(file) - std::chrono::hours(24 * 400);
  fs::last_write_time(file, old);
  ASSERT_EQ(RunCli({"set-iptc", file.string(), "--title", "t", "--keep-date"}).exitCode, 0);
  EXPECT_EQ(fs::last_write_time(file), old);
  ASSERT_EQ(RunCli({"comment", file.string(), "c", "--keep-date"}).exitCode, 0);
  EXPECT_EQ(fs::last_write_time(file), old);
  ASSERT_EQ(RunCli({"set-iptc", file.string(), "--title", "u"}).exitCode, 0);
  EXPECT_NE(fs::last_write_time(file), old);
}

TEST(CliSetIptc, WriteCutShortByTheFileSizeLimitKeepsTheOriginal) {
  test::TempDir dir;
  fs::path file = dir / "photo.jpg";
  test::WriteBytes(file, test::CameraPhoto(640, 480));
  const std::string before = test::ReadBytes(file);
  ASSERT_GT(before.size(), 8u * 512);
  // 8 blocks of 512 bytes: the new file cannot be written whole.
  auto result = test::Run({"sh", "-c", "trap '' XFSZ; ulimit -f 8; exec \"$0\" \"$@\"", PIXALDO_CLI_PATH,
                           "set-iptc", file.string(), "--title", "never written"},
                          {"LC_ALL=C"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find(file.string()), std::string::npos) << result.err;
  EXPECT_EQ(test::ReadBytes(file), before);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"photo.jpg"});

  result = RunCli({"set-iptc", (dir / "missing.jpg").string(), "--title", "x"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("missing.jpg"), std::string::npos);
}

TEST(CliSummary, BlockSizesOfCjpegSampling) {
  if (!test::HaveProgram("cjpeg")) GTEST_SKIP() << "cjpeg not installed";
  test::TempDir dir;
  std::string ppm = "P6\n48 32\n255\n";
  for (int i = 0; i < 48 * 32; ++i) ppm += std::string{char(i * 7), char(i * 3), char(i)};
  test::WriteBytes(dir / "in.ppm", ppm);
  for (auto [sample, block] : {std::pair{"2x2", "16×16"}, {"2x1", "16×8"}, {"1x2", "8×16"}, {"1x1", "16×16"}}) {
    fs::path out = dir / (std::string("s") + sample + ".jpg");
    ASSERT_EQ(test::Run({"cjpeg", "-sample", sample, "-outfile", out.string(), (dir / "in.ppm").string()}).exitCode, 0);
    auto result = RunCli({"summary", out.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find(std::string("\nDctBlock\t") + block + "\n"), std::string::npos) << sample;
  }
}

TEST(CliSummary, CameraFileLines) {
  PIXALDO_NEEDS_SAMPLES();
  auto result = RunCli({"summary", test::TestData("cameras/Nikon_D70.jpg").string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::istringstream in(result.out);
  std::vector<std::string> keys;
  for (std::string line; std::getline(in, line);) keys.push_back(line.substr(0, line.find('\t')));
  const std::vector<std::string> expected = {
      "CameraMake", "CameraModel",     "DateTime",     "Dimensions", "JpegQual",     "Flash",
      "FocalLength", "ExposureTime",   "FNumber",      "IsoAndBias", "ExposureProgram", "MeteringMode",
      "Category",   "ObjectName",      "ImageCaption", "DctBlock",   "Keywords",     "Rating",          "ColourProfile"};
  EXPECT_EQ(keys, expected);
  EXPECT_NE(result.out.find("\nDimensions\t100 × 66\n"), std::string::npos);
  EXPECT_NE(result.out.find("\nIsoAndBias\t200 ISO;   -1.0 EV\n"), std::string::npos);
}

TEST(CliComment, CommentIsStoredAsUtf8) {
  test::TempDir dir;
  fs::path file = dir.Make("exif-intel.jpg");
  const std::string before = test::ReadBytes(file);
  ASSERT_EQ(RunCli({"comment", file.string(), "Čau ůž"}).exitCode, 0);
  TimgData data(255);
  data.ReadFile(file);
  ASSERT_TRUE(data.HasComment());
  EXPECT_EQ(data.GetComment(), "Čau ůž");
  EXPECT_EQ(test::PictureData(test::ReadBytes(file)), test::PictureData(before));
  EXPECT_NE(RunCli({"tags", file.string()}).out.find("comment\t\tČau ůž\n"), std::string::npos);
}

TEST(CliXml, DumpParsesWithAStandardParserAndGivesTheTextBack) {
  test::TempDir dir;
  fs::path file = dir.Make("exif-intel.jpg", "fotka č.1.jpg");
  const std::string caption = "<a & b> Žluťoučký kůň ]]> úpěl";
  ASSERT_EQ(RunCli({"set-iptc", file.string(), "--caption", caption, "--title", "x < y & z"}).exitCode, 0);
  auto result = RunCli({"xml", file.string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  fs::path xml = dir / "fotka č.1.xml";
  EXPECT_EQ(result.out, xml.string() + "\n");
  std::string text = test::ReadBytes(xml);
  EXPECT_EQ(text.rfind("<?xml version='1.0' encoding='iso-8859-2'?>\r\n<dImageFile>\r\n", 0), 0u);
  EXPECT_EQ(text.substr(text.size() - 15), "</dImageFile>\r\n");

  const char* script =
      "import sys, xml.etree.ElementTree as E\n"
      "r = E.parse(sys.argv[1]).getroot()\n"
      "out = [r.find('ITPCdata/ImageCaption').text.strip(), r.find('ITPCdata/ObjectName').text.strip(),\n"
      "       r.find('OSdata/name').text.strip(), r.find('EXIFdata/Make').text.strip()]\n"
      "sys.stdout.buffer.write('\\n'.join(out).encode('utf-8'))\n";
  auto parsed = test::Run({"python3", "-c", script, xml.string()});
  ASSERT_EQ(parsed.exitCode, 0) << parsed.err;
  EXPECT_EQ(parsed.out, caption + "\nx < y & z\nfotka č.1.jpg\nCanon");

  EXPECT_EQ(RunCli({"xml", (dir / "missing.jpg").string()}).exitCode, 1);
}

}  // namespace
}  // namespace pixaldo
