// UTF-8 IPTC records and the XMP packet through pixaldo-cli, on files made by
// exiftool and read back by exiftool.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "support/JpegSegments.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::RunCli;
using Tags = std::map<std::string, std::string>;

constexpr std::string_view kExifId{"Exif\0\0", 6};
constexpr std::string_view kXmpId{"http://ns.adobe.com/xap/1.0/\0", 29};

class Utf8Xmp : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("exiftool")) GTEST_SKIP() << "exiftool not installed";
  }

  // A small JPEG of our own, then exiftool's writing arguments applied to it.
  test::fs::path Made(const std::string& name, const std::vector<std::string>& exiftoolArgs) {
    test::fs::path file = dir_ / name;
    test::WriteBytes(file, test::MakeJpeg());
    if (exiftoolArgs.empty()) return file;
    std::vector<std::string> argv = {"exiftool", "-q", "-overwrite_original"};
    argv.insert(argv.end(), exiftoolArgs.begin(), exiftoolArgs.end());
    argv.push_back(file.string());
    auto result = test::Run(argv);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return file;
  }

  // exiftool's reading, "Group:Tag" to value; untagged IPTC read as Windows-1250.
  static Tags Exiftool(const test::fs::path& file) {
    auto result = test::Run({"exiftool", "-charset", "iptc=cp1250", "-s", "-G1", "-a", "-IPTC:all", "-XMP:all",
                             "-EXIF:Make", file.string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    Tags tags;
    std::istringstream in(result.out);
    for (std::string line; std::getline(in, line);) {
      size_t close = line.find(']'), colon = line.find(" : ");
      if (line.empty() || line[0] != '[' || close == std::string::npos || colon == std::string::npos) continue;
      std::string tag = line.substr(close + 1, colon - close - 1);
      tag.erase(0, tag.find_first_not_of(' '));
      tag.erase(tag.find_last_not_of(' ') + 1);
      tags[line.substr(1, close - 1) + ":" + tag] = line.substr(colon + 3);
    }
    return tags;
  }

  void SetIptc(const test::fs::path& file, const std::vector<std::string>& options) {
    const std::string picture = test::PictureData(test::ReadBytes(file));
    std::vector<std::string> args = {"set-iptc", file.string()};
    args.insert(args.end(), options.begin(), options.end());
    auto result = RunCli(args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(test::PictureData(test::ReadBytes(file)), picture) << "the picture bytes changed";
  }

  static std::string Summary(const test::fs::path& file) { return RunCli({"summary", file.string()}).out; }

  // The APP13 payload's IPTC datasets from the first 1C on.
  static std::string IptcBytes(const test::fs::path& file) {
    std::string payload = test::FirstPayload(test::ReadBytes(file), 0xED).value_or("");
    size_t first = payload.find('\x1C');
    return first == std::string::npos ? "" : payload.substr(first);
  }

  // The kinds of the APP1 segments in file order: "exif", "xmp" or "other".
  static std::vector<std::string> App1Kinds(const test::fs::path& file) {
    std::vector<std::string> kinds;
    for (const auto& segment : test::MarkerSegments(test::ReadBytes(file))) {
      if (segment.marker != 0xE1) continue;
      kinds.push_back(segment.payload.starts_with(kExifId) ? "exif"
                      : segment.payload.starts_with(kXmpId) ? "xmp"
                                                            : "other");
    }
    return kinds;
  }

  test::TempDir dir_;
};

TEST_F(Utf8Xmp, TaggedRecordIsReadAsUtf8AndWrittenBackAsUtf8) {
  auto file = Made("tagged.jpg", {"-charset", "iptc=UTF8", "-IPTC:CodedCharacterSet=UTF8", "-IPTC:ObjectName=日本語",
                                  "-IPTC:Keywords=Žluť", "-IPTC:Keywords=富士"});
  EXPECT_NE(Summary(file).find("\nObjectName\t日本語\n"), std::string::npos);
  EXPECT_NE(RunCli({"tags", file.string()}).out.find("iptc\tKeywords\tŽluť,富士\n"), std::string::npos);

  // A text Windows-1250 could hold keeps the record UTF-8.
  SetIptc(file, {"--caption", "Čas"});
  Tags tags = Exiftool(file);
  EXPECT_EQ(tags["IPTC:CodedCharacterSet"], "UTF8");
  EXPECT_EQ(tags["IPTC:ObjectName"], "日本語");
  EXPECT_EQ(tags["IPTC:Caption-Abstract"], "Čas");
  EXPECT_EQ(tags["IPTC:Keywords"], "Žluť, 富士");
}

TEST_F(Utf8Xmp, CjkTitleMakesTheWholeRecordUtf8WithTheTagFirst) {
  auto file = Made("czech.jpg", {"-charset", "iptc=cp1250", "-IPTC:Keywords=kůň", "-IPTC:Keywords=pes",
                                 "-IPTC:City=Plzeň"});
  SetIptc(file, {"--title", "漢字のタイトル"});
  Tags tags = Exiftool(file);
  EXPECT_EQ(tags["IPTC:CodedCharacterSet"], "UTF8");
  EXPECT_EQ(tags["IPTC:ObjectName"], "漢字のタイトル");
  EXPECT_EQ(tags["IPTC:Keywords"], "kůň, pes");
  EXPECT_EQ(tags["IPTC:City"], "Plzeň");
  // Exactly one tag, before every record-2 dataset.
  const std::string datasets = IptcBytes(file);
  EXPECT_EQ(datasets.rfind("\x1C\x01\x5A\x00\x03\x1B\x25\x47", 0), 0u);
  EXPECT_EQ(datasets.find("\x1C\x01\x5A", 1), std::string::npos);
  EXPECT_NE(datasets.find("k\xC5\xAF\xC5\x88"), std::string::npos);  // "kůň" re-encoded
}

TEST_F(Utf8Xmp, CzechOnAnUntaggedFileIsWrittenInUtf8BehindTheMark) {
  auto file = Made("plain.jpg", {"-charset", "iptc=cp1250", "-IPTC:Keywords=kůň"});
  SetIptc(file, {"--title", "Žluťoučký", "--caption", "ďábel"});
  // The mark, the keyword converted, exiftool's version where it put it,
  // the new texts.
  using namespace std::string_literals;
  EXPECT_EQ(IptcBytes(file), "\x1C\x01\x5A\x00\x03\x1B%G"s + "\x1C\x02\x19\x00\x05kůň"s +
                                 "\x1C\x02\x00\x00\x02\x00\x04"s + "\x1C\x02\x05\x00\x0DŽluťoučký"s +
                                 "\x1C\x02\x78\x00\x07ďábel"s + "\0"s + "8BIM\x04\x0B\0\0\0\0\0\0"s);
  // Every other program reads the same texts.
  Tags tags = Exiftool(file);
  EXPECT_EQ(tags["IPTC:ObjectName"], "Žluťoučký");
  EXPECT_EQ(tags["IPTC:Keywords"], "kůň");
  if (!test::HaveProgram("exiv2")) GTEST_SKIP() << "exiv2 not installed";
  for (const auto& [key, value] : {std::pair{"ObjectName", "Žluťoučký"}, {"Keywords", "kůň"}, {"Caption", "ďábel"}}) {
    auto exiv2 = test::Run({"exiv2", "-q", "-K", std::string("Iptc.Application2.") + key, "-Pv", "pr", file.string()});
    EXPECT_EQ(exiv2.out, std::string(value) + "\n") << key;
  }
}

TEST_F(Utf8Xmp, ValueLongerThanItsDatasetIsRefusedUntouched) {
  auto file = Made("long.jpg", {});
  const std::string before = test::ReadBytes(file);
  std::string title;
  for (int i = 0; i < 22; ++i) title += "字";  // 22 characters, 66 bytes
  auto result = RunCli({"set-iptc", file.string(), "--title", title});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("Object name"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("64 bytes"), std::string::npos) << result.err;
  EXPECT_EQ(test::ReadBytes(file), before);
}

TEST_F(Utf8Xmp, XmpTextsFollowTheIptcFieldsAndTheRestStays) {
  auto file = Made("xmp.jpg", {"-XMP-dc:Title=Old", "-XMP-dc:Title-de=Old", "-XMP-dc:Title-fr=Ancien",
                               "-XMP-dc:Title-es=Antiguo", "-XMP-dc:Description=Gone soon",
                               "-XMP-dc:Description-de=Gone soon", "-XMP-dc:Description-fr=Bientôt",
                               "-XMP-photoshop:Category=ABC", "-XMP-dc:Creator=Jana", "-XMP-xmp:Rating=4",
                               "-XMP-dc:Subject=les"});
  // The summary shows the XMP texts where IPTC has none.
  EXPECT_NE(Summary(file).find("\nCategory\tABC\nObjectName\tOld\nImageCaption\tGone soon\n"), std::string::npos);

  SetIptc(file, {"--title", "Nový & <b>", "--caption", "Popis", "--category", "XY"});
  Tags tags = Exiftool(file);
  EXPECT_EQ(tags["XMP-dc:Title"], "Nový & <b>");
  EXPECT_EQ(tags.count("XMP-dc:Title-de"), 0u);  // a copy of the old text goes
  EXPECT_EQ(tags["XMP-dc:Title-fr"], "Ancien");
  EXPECT_EQ(tags["XMP-dc:Title-es"], "Antiguo");
  // With a single other language left, the XMP toolkit would make it equal
  // to the default; the copy stays with the new text so the French one keeps its own.
  EXPECT_EQ(tags["XMP-dc:Description"], "Popis");
  EXPECT_EQ(tags["XMP-dc:Description-de"], "Popis");
  EXPECT_EQ(tags["XMP-dc:Description-fr"], "Bientôt");
  EXPECT_EQ(tags["XMP-photoshop:Category"], "XY");
  EXPECT_EQ(tags["XMP-dc:Creator"], "Jana");
  EXPECT_EQ(tags["XMP-xmp:Rating"], "4");
  EXPECT_EQ(tags["XMP-dc:Subject"], "les");
  EXPECT_EQ(tags["IPTC:ObjectName"], "Nový & <b>");
  EXPECT_EQ(App1Kinds(file), std::vector<std::string>{"xmp"});

  // An emptied field removes the property; a missing one is added.
  SetIptc(file, {"--caption", "", "--category", ""});
  tags = Exiftool(file);
  EXPECT_EQ(tags.count("XMP-dc:Description"), 0u);
  EXPECT_EQ(tags.count("XMP-photoshop:Category"), 0u);
  SetIptc(file, {"--caption", "Znovu"});
  EXPECT_EQ(Exiftool(file)["XMP-dc:Description"], "Znovu");
}

TEST_F(Utf8Xmp, NoXmpIsAddedToAFileWithout) {
  auto file = Made("noxmp.jpg", {"-EXIF:Make=Canon"});
  SetIptc(file, {"--title", "漢字"});
  EXPECT_EQ(App1Kinds(file), std::vector<std::string>{"exif"});
}

TEST_F(Utf8Xmp, XmpBeforeExifIsReadAndWrittenWithExifFirst) {
  auto made = Made("made.jpg", {"-EXIF:Make=Canon", "-XMP-dc:Title=Title", "-XMP-xmp:Rating=2"});
  // Move the XMP segment in front of the EXIF one.
  std::string bytes = test::ReadBytes(made), exif, xmp, rest;
  for (const auto& segment : test::MarkerSegments(bytes)) {
    std::string whole = bytes.substr(segment.offset, segment.size);
    if (segment.marker == 0xE1) (segment.payload.starts_with(kExifId) ? exif : xmp) = whole;
  }
  ASSERT_FALSE(exif.empty());
  ASSERT_FALSE(xmp.empty());
  bytes.erase(bytes.find(exif), exif.size());
  bytes.erase(bytes.find(xmp), xmp.size());
  auto file = dir_ / "xmpfirst.jpg";
  test::WriteBytes(file, test::InsertAfterSoi(bytes, {xmp, exif}));
  ASSERT_EQ(App1Kinds(file), (std::vector<std::string>{"xmp", "exif"}));

  EXPECT_NE(Summary(file).find("CameraMake\tCanon\n"), std::string::npos);
  SetIptc(file, {"--title", "New"});
  EXPECT_EQ(App1Kinds(file), (std::vector<std::string>{"exif", "xmp"}));
  Tags tags = Exiftool(file);
  EXPECT_EQ(tags["IFD0:Make"], "Canon");
  EXPECT_EQ(tags["XMP-dc:Title"], "New");
  EXPECT_EQ(tags["XMP-xmp:Rating"], "2");
}

TEST_F(Utf8Xmp, ExportsOfACjkCaptionParseBackEqual) {
  if (!test::HaveProgram("python3")) GTEST_SKIP() << "python3 not installed";
  const std::string caption = "東京の夜 & <b> ]]> Žluť";
  auto file = Made("tokyo.jpg", {"-EXIF:Make=Canon"});
  SetIptc(file, {"--caption", caption});
  const std::string xml = (dir_ / "db.xml").string(), csv = (dir_ / "db.txt").string();
  ASSERT_EQ(RunCli({"export", dir_.path().string(), xml}).exitCode, 0);
  ASSERT_EQ(RunCli({"export", dir_.path().string(), csv}).exitCode, 0);
  EXPECT_EQ(test::ReadBytes(csv).rfind("\xEF\xBB\xBF", 0), 0u);
  const char* script =
      "import sys, csv, xml.etree.ElementTree as E\n"
      "r = E.parse(sys.argv[1]).getroot()\n"
      "x = r.find('dImageFile/ITPCdata/ImageCaption').text.strip()\n"
      "rows = list(csv.reader(open(sys.argv[2], encoding='utf-8-sig', newline='')))\n"
      "c = [row for row in rows if row[0] == 'tokyo.jpg'][0][21]\n"
      "sys.stdout.buffer.write((x + '\\n' + c).encode('utf-8'))\n";
  auto parsed = test::Run({"python3", "-c", script, xml, csv});
  ASSERT_EQ(parsed.exitCode, 0) << parsed.err;
  EXPECT_EQ(parsed.out, caption + "\n" + caption);
}

}  // namespace
}  // namespace pixaldo
