// The directory database: CSV rows and quoting, XML document, vanished and
// unaccepted files, the exposure bias text, and the export command.
#include <gtest/gtest.h>

#include "batch_export/JpegBatch.h"
#include "platform/Cp1250.h"
#include "platform/FileError.h"
#include "support/ExifBuilder.h"
#include "support/LocaleScope.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using namespace std::string_literals;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
using Words = std::vector<std::string>;

constexpr const char* kHeaderLine =
    "Filename,Size(kB),Date,CameraMake,CameraModel,DateTime,Width,Height,JpegQual,Flash,FocalLength,"
    "FocalLengthin35mm,ExposureTime,FNumber,ISOSpeedRatings,ExposureBiasValue,ExposureProgram,Macro,"
    "MeteringMode,\"IPTC Category\",\"IPTC Name\",\"IPTC Caption\"";

// An APP13 segment holding IPTC datasets of record 2 (number, text).
std::string IptcSegment(const std::vector<std::pair<int, std::string>>& datasets) {
  std::string data;
  for (const auto& [number, text] : datasets)
    data += "\x1C\x02"s + char(number) + char(text.size() >> 8) + char(text.size() & 0xFF) + text;
  std::string size{char(0), char(0), char(data.size() >> 8), char(data.size() & 0xFF)};
  if (data.size() % 2) data += '\0';
  return test::Segment(0xED, "Photoshop 3.0\0"s + "8BIM\x04\x04\0\0"s + size + data);
}

// A picture file of exactly `size` bytes: the picture and a padded comment.
std::string JpegWithCommentOfSize(size_t size) {
  std::string picture = test::MakeJpeg({.width = 16, .height = 16, .writeJfif = false});
  return test::InsertAfterSoi(picture, {test::Segment(0xFE, std::string(size - picture.size() - 4, 'c'))});
}

// Splits one CSV line by the joining rule (quoted values with doubled quotes).
Words SplitCsv(const std::string& line) {
  Words values;
  if (line.empty()) return values;
  std::string value;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        value += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        value += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      values.push_back(value);
      value.clear();
    } else {
      value += c;
    }
  }
  values.push_back(value);
  return values;
}

// The lines of a file written with CR LF ends (checking every line has one).
Words Lines(const fs::path& file) {
  std::string text = ReadBytes(file);
  Words lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "last line without CR LF in " << file;
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

TEST(JoinCsvLine, QuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(TJpegBatch::JoinCsvLine({"plain", "a b", "x,y", "say \"hi\"", "", "", "tab\tin", "\xE8\xE1rka"}),
            "plain,\"a b\",\"x,y\",\"say \"\"hi\"\"\",,,\"tab\tin\",\xE8\xE1rka");
  EXPECT_EQ(TJpegBatch::JoinCsvLine({""}), "\"\"");
  EXPECT_EQ(TJpegBatch::JoinCsvLine({}), "");
  EXPECT_EQ(TJpegBatch::JoinCsvLine({"", ""}), ",");
  EXPECT_EQ(TJpegBatch::JoinCsvLine({"48.67 mm"}), "\"48.67 mm\"");
  EXPECT_EQ(TJpegBatch::JoinCsvLine({"a|b", std::string("nul\0", 4)}), "a|b,\"nul\0\""s);
  EXPECT_EQ(SplitCsv(TJpegBatch::JoinCsvLine(TJpegBatch::CsvHeader())), TJpegBatch::CsvHeader());
  EXPECT_EQ(TJpegBatch::JoinCsvLine(TJpegBatch::CsvHeader()), kHeaderLine);
}

TEST(BiasText, TenthsRoundedHalfToEvenWithTheUserSeparator) {
  const std::pair<const char*, const char*> cases[] = {
      {"-1/3", "-0.3"}, {"0/1", "0"},     {"2/3", "0.7"},  {"1/1", "1"},   {"-7/10", "-0.7"}, {"1/4", "0.2"},
      {"3/4", "0.8"},   {"-1/4", "-0.2"}, {"-1/30", "0"},  {"4/2", "2"},   {"0/10", "0"},     {"2946/2221", "1.3"},
      {"-1090519041/1677721600", "-0.7"}, {"+1/2", "0.5"}, {"", ""},       {"1/0", ""},       {"0/0", ""},
      {"abc", ""},      {"1", ""},        {"1/x", ""},     {"/3", ""},     {"1 /3", ""},      {"-1/3 EV", ""},
      {"99999999999999999999/1", ""}};
  for (const auto& [in, out] : cases) EXPECT_EQ(TJpegBatch::BiasText(in), out) << in;
  test::DecimalSeparatorScope comma(',');
  EXPECT_EQ(TJpegBatch::BiasText("-1/3"), "-0,3");
  EXPECT_EQ(TJpegBatch::JoinCsvLine({TJpegBatch::BiasText("2/3")}), "\"0,7\"");
}

// A directory of real camera files plus made ones, exported both ways.
class DirectoryExport : public ::testing::Test {
 protected:
  void SetUp() override {
    PIXALDO_NEEDS_SAMPLES();
    for (const char* name : {"Canon_40D.jpg", "canon-ixus.jpg", "Nikon_D70.jpg", "DSCN0010.jpg"})
      dir_.Copy("cameras/"s + name, name);
    dir_.Copy("iptc/IPTC.jpg", "iptc.jpg");
    WriteBytes(dir_ / "captioned.jpg",
               test::InsertAfterSoi(test::MakeJpeg(),
                                    {IptcSegment({{15, "x,y"}, {5, "Title \"q\""}, {120, "a\r\nb"}})}));
    WriteBytes(dir_ / "comment10239.jpg", JpegWithCommentOfSize(10239));
    WriteBytes(dir_ / "comment1024.jpg", JpegWithCommentOfSize(1024));
    WriteBytes(dir_ / "bare.jpg", test::MakeJpeg());  // only a JFIF header: not accepted
    WriteBytes(dir_ / "\xC4\x8D\xC3\xA1rka.jpg", JpegWithCommentOfSize(2000));  // "čárka" in UTF-8
    WriteBytes(dir_ / "notes.txt", "not listed");
    listing_.SetDirectory(dir_.path());
  }
  // The row of the named file in a CSV export.
  Words RowOf(const Words& lines, const std::string& name) {
    for (const std::string& line : lines)
      if (line.rfind(name + ",", 0) == 0 || line == name) return SplitCsv(line);
    ADD_FAILURE() << "no row for " << name;
    return {};
  }

  TempDir dir_;
  JpegListing listing_;
  TempDir out_;
};

TEST_F(DirectoryExport, CsvRowsFollowTheListWithTheirValues) {
  TJpegBatch batch(listing_);
  batch.SaveCsv(out_ / "db.txt");
  Words lines = Lines(out_ / "db.txt");
  ASSERT_EQ(lines.size(), 1 + listing_.FileCount());
  EXPECT_EQ(lines[0], kHeaderLine);
  for (size_t i = 0; i < listing_.FileCount(); ++i)  // list order, not sorted
    EXPECT_EQ(SplitCsv(lines[i + 1]).at(0), Utf8ToCp1250(listing_.FileNameAt(i)).bytes);

  for (const char* camera : {"Canon_40D.jpg", "canon-ixus.jpg", "Nikon_D70.jpg", "DSCN0010.jpg", "iptc.jpg"})
    EXPECT_EQ(RowOf(lines, camera).size(), 22u) << camera;

  Words ixus = RowOf(lines, "canon-ixus.jpg");
  EXPECT_EQ(ixus[1], std::to_string(fs::file_size(dir_ / "canon-ixus.jpg") / 1024));
  EXPECT_EQ(ixus[3], "Canon");
  EXPECT_EQ(ixus[6], "640");
  EXPECT_EQ(ixus[11], "71.45 mm");  // computed 35 mm value with the unit, quoted in the line
  EXPECT_NE(lines[std::find(listing_.Names().begin(), listing_.Names().end(), "canon-ixus.jpg") -
                  listing_.Names().begin() + 1]
                .find(",\"71.45 mm\","),
            std::string::npos);
  EXPECT_EQ(RowOf(lines, "Nikon_D70.jpg")[11], "150.00 mm");  // the file's own entry, unit not doubled
  EXPECT_EQ(RowOf(lines, "Nikon_D70.jpg")[15], "-1");

  Words captioned = RowOf(lines, "captioned.jpg");
  ASSERT_EQ(captioned.size(), 22u);
  EXPECT_EQ(Words(captioned.begin() + 3, captioned.begin() + 19), Words(16, ""));
  EXPECT_EQ(captioned[19], "x,y");
  EXPECT_EQ(captioned[20], "Title \"q\"");
  EXPECT_EQ(captioned[21], "a|b");

  // Comment only: three file-system values and 19 empty ones; sizes in whole kB.
  Words big = RowOf(lines, "comment10239.jpg");
  EXPECT_EQ(big.size(), 22u);
  EXPECT_EQ(big[1], "9");
  EXPECT_EQ(Words(big.begin() + 3, big.end()), Words(19, ""));
  EXPECT_EQ(RowOf(lines, "comment1024.jpg")[1], "1");
  EXPECT_EQ(RowOf(lines, "bare.jpg").size(), 3u);
  EXPECT_EQ(RowOf(lines, "\xE8\xE1rka.jpg").size(), 22u);  // the name stored as Windows-1250
}

TEST_F(DirectoryExport, VanishedAndUnreadableEntriesDoNotStopTheExport) {
  fs::create_directory(dir_ / "folder.jpg");
  listing_.Rebuild();
  fs::remove(dir_ / "Nikon_D70.jpg");  // gone after the list was made
  TJpegBatch batch(listing_);
  batch.SaveCsv(out_ / "db.txt");
  batch.SaveXml(out_ / "db.xml");

  Words csv = Lines(out_ / "db.txt");
  ASSERT_EQ(csv.size(), 1 + listing_.FileCount());
  size_t vanished = std::find(listing_.Names().begin(), listing_.Names().end(), "Nikon_D70.jpg") -
                    listing_.Names().begin();
  EXPECT_EQ(csv[vanished + 1], "");
  EXPECT_EQ(RowOf(csv, "folder.jpg").size(), 3u);

  std::string xml = ReadBytes(out_ / "db.xml");
  EXPECT_EQ(xml.find("Nikon_D70.jpg"), std::string::npos);
  size_t rows = 0;
  for (size_t at = xml.find("<dImageFile>"); at != std::string::npos; at = xml.find("<dImageFile>", at + 1)) ++rows;
  EXPECT_EQ(rows, listing_.FileCount() - 2);  // neither the vanished file nor the folder
}

TEST_F(DirectoryExport, XmlDocumentIsWellFormedWithOneRowPerFile) {
  TJpegBatch batch(listing_);
  fs::path target = out_ / "db.xml";
  batch.SaveXml(target);
  Words lines = Lines(target);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "<?xml version='1.0' encoding='iso-8859-2'?>");
  EXPECT_EQ(lines[1], "<Directory>");
  EXPECT_EQ(lines.back(), "</Directory>");
  size_t rows = 0, emptyPaths = 0, iptcParts = 0;
  for (const std::string& line : lines) {
    rows += line == "<dImageFile>";
    emptyPaths += line == "      <path>  </path>";  // names are bare in the database
    iptcParts += line == "   <ITPCdata>";
  }
  EXPECT_EQ(rows, listing_.FileCount());
  EXPECT_EQ(emptyPaths, rows);
  EXPECT_EQ(iptcParts, rows);
  std::string text = ReadBytes(target);
  EXPECT_NE(text.find("x,y"), std::string::npos);
  if (test::HaveProgram("xmllint")) {
    test::CommandResult lint = test::Run({"xmllint", "--noout", target.string()});
    EXPECT_EQ(lint.exitCode, 0) << lint.err;
  }
  std::string again;  // the exporter can be used again and gives the same
  for (const std::string& line : batch.XmlLines()) again += line + "\r\n";
  EXPECT_EQ(again, text);
}

// Files read on several threads give the very database that one thread gives,
// rows in list order, for files with EXIF, IPTC, a comment only, or nothing.
// Only the tags of the columns are formatted while exporting: each column
// still holds what a full read of the file gives.
TEST(CsvRow, ColumnsHoldTheValuesOfAFullRead) {
  TempDir dir;
  test::TiffBuilder tiff;
  tiff.Directory(8, {tiff.Ascii(0x010F, "Maker"), tiff.Ascii(0x0110, "Model"), tiff.Long(0x8769, 200)});
  tiff.Directory(200, {tiff.Rational(0x829A, 1, 125), tiff.Rational(0x829D, 56, 10), tiff.Short(0x8822, 2),
                       tiff.Short(0x8827, 200), tiff.Ascii(0x9003, "2024:05:17 10:11:12"),
                       {0x9204, 10, 1, tiff.U32(uint32_t(-1)) + tiff.U32(3)}, tiff.Short(0x9207, 5), tiff.Short(0x9209, 16),
                       tiff.Rational(0x920A, 35, 1), tiff.Short(0xA405, 52)});
  WriteBytes(dir / "p.jpg", test::JpegWithSegments({tiff.ExifSegment()}));
  JpegListing listing(dir.path());
  TJpegBatch batch(listing);
  const Words row = batch.CsvRow(dir / "p.jpg");
  TimgData full(255);
  ASSERT_TRUE(full.ReadFile(dir / "p.jpg"));
  const TImageInfo& exif = *full.ExifInfo;
  ASSERT_EQ(row.size(), 22u);
  EXPECT_EQ(Words(row.begin() + 3, row.begin() + 6), (Words{exif.CameraMake, exif.CameraModel, exif.DateTime}));
  const std::pair<size_t, const char*> columns[] = {{9, "Flash"},   {12, "ExposureTime"}, {13, "FNumber"},
                                                    {14, "ISOSpeedRatings"}, {16, "ExposureProgram"},
                                                    {18, "MeteringMode"}};
  for (const auto& [column, tag] : columns) {
    EXPECT_FALSE(row[column].empty()) << tag;
    EXPECT_EQ(row[column], exif.ValueOf(tag)) << tag;
  }
  EXPECT_NE(exif.ValueOf("FocalLength").find(row[10]), std::string::npos);
  EXPECT_EQ(row[11], exif.ValueOf("FocalLengthin35mmFilm"));  // "52.00 mm"
  EXPECT_EQ(row[15], "-0.3");
}

TEST(ParallelExport, SameDatabasesAsOneThread) {
  TempDir dir;
  TempDir out;
  for (int i = 0; i < 60; ++i) {
    test::TiffBuilder tiff;
    tiff.Directory(8, {tiff.Ascii(0x010F, "Maker " + std::to_string(i)), tiff.Ascii(0x0110, "Model")});
    std::vector<std::string> segments{tiff.ExifSegment()};
    if (i % 3 == 0) segments.push_back(IptcSegment({{120, "caption " + std::to_string(i)}}));
    if (i % 5 == 0) segments = {test::Segment(0xFE, "comment only")};
    if (i % 11 == 0) segments.clear();
    WriteBytes(dir / ("p" + std::to_string(i) + ".jpg"), test::JpegWithSegments(segments));
  }
  JpegListing listing(dir.path());
  TJpegBatch one(listing);
  TJpegBatch many(listing);
  one.SetWorkerCount(1);
  many.SetWorkerCount(4);
  one.SaveCsv(out / "one.txt");
  many.SaveCsv(out / "many.txt");
  one.SaveXml(out / "one.xml");
  many.SaveXml(out / "many.xml");
  const std::string csv = ReadBytes(out / "one.txt");
  EXPECT_NE(csv.find("Maker 59"), std::string::npos);
  EXPECT_NE(csv.find("caption 57"), std::string::npos);
  EXPECT_EQ(ReadBytes(out / "many.txt"), csv);
  EXPECT_EQ(ReadBytes(out / "many.xml"), ReadBytes(out / "one.xml"));
  EXPECT_EQ(many.CsvLines(), one.CsvLines());
}

TEST(EmptyDirectoryExport, ThreeXmlLinesAndTheCsvHeader) {
  TempDir dir;
  TempDir out;
  WriteBytes(dir / "other.png", "x");
  JpegListing listing(dir.path());
  TJpegBatch batch(listing);
  batch.SaveXml(out / "PixaldoInfo.xml");
  batch.SaveCsv(out / "PixaldoInfo.txt");
  EXPECT_EQ(ReadBytes(out / "PixaldoInfo.xml"),
            "<?xml version='1.0' encoding='iso-8859-2'?>\r\n<Directory>\r\n</Directory>\r\n");
  EXPECT_EQ(ReadBytes(out / "PixaldoInfo.txt"), std::string(kHeaderLine) + "\r\n");
}

TEST(ExportTarget, UnwritableTargetOrMissingDirectoryThrowsAndWritesNothing) {
  TempDir dir;
  dir.Make("exif-intel.jpg", "a.jpg");
  JpegListing listing(dir.path());
  TJpegBatch batch(listing);
  EXPECT_THROW(batch.SaveCsv(dir / "missing" / "db.txt"), FileError);
  WriteBytes(dir / "old.txt", "previous database");
  fs::path cwd = fs::current_path();
  JpegListing gone(dir / "gone");
  TJpegBatch orphan(gone);
  EXPECT_THROW(orphan.SaveCsv(dir / "old.txt"), FileError);
  EXPECT_EQ(ReadBytes(dir / "old.txt"), "previous database");
  EXPECT_EQ(fs::current_path(), cwd);  // the working directory is always put back
  batch.SaveCsv(dir / "old.txt");
  EXPECT_EQ(fs::current_path(), cwd);
  EXPECT_EQ(Lines(dir / "old.txt").size(), 2u);
  EXPECT_EQ(dir.List(), (Words{"a.jpg", "old.txt"}));
}

TEST(ExportCommand, WritesByExtensionAndRefusesOthers) {
  TempDir dir;
  dir.Make("exif-intel.jpg", "a.jpg");
  TempDir out;
  EXPECT_EQ(test::RunCli({"export", dir.path().string(), (out / "db.txt").string()}).exitCode, 0);
  EXPECT_EQ(Lines(out / "db.txt").size(), 2u);
  EXPECT_EQ(test::RunCli({"export", dir.path().string(), (out / "db.xml").string()}).exitCode, 0);
  EXPECT_EQ(Lines(out / "db.xml")[1], "<Directory>");
  for (const char* name : {"db.XML", "db.csv", "db.TXT", "db"})
    EXPECT_EQ(test::RunCli({"export", dir.path().string(), (out / name).string()}).exitCode, 2) << name;
  EXPECT_EQ(test::RunCli({"export", dir.path().string()}).exitCode, 2);
  test::CommandResult missing = test::RunCli({"export", (dir / "nope").string(), (out / "x.txt").string()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("nope"), std::string::npos);
  EXPECT_EQ(out.List(), (Words{"db.txt", "db.xml"}));
}

}  // namespace
}  // namespace pixaldo
