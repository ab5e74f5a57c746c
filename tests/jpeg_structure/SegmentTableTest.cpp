// The segment table: the worked layout, camera files against a marker walk
// written here, the walk's limits, and damaged input.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "jpeg_structure/JpegObject.h"
#include "platform/FileError.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

namespace fs = std::filesystem;

using test::Segment;
using test::TempDir;
using Row = std::tuple<std::string, int64_t, int64_t>;  // marker hex, offset, size

std::vector<Row> Rows(const std::vector<TJpegSegment>& table) {
  std::vector<Row> rows;
  for (const auto& s : table) rows.emplace_back(s.MarkerHex, s.Offset, s.Size);
  return rows;
}
std::vector<Row> Rows(const TJpegObject& object) { return Rows(object.Segments); }

fs::path Write(const TempDir& dir, const std::string& name, const std::string& bytes) {
  auto path = dir / name;
  test::WriteBytes(path, bytes);
  return path;
}

// A marker walk of its own: skips fill bytes, expects 0xFF before each marker.
std::vector<Row> IndependentWalk(const std::string& jpeg) {
  auto byte = [&](size_t i) { return unsigned(uint8_t(jpeg[i])); };
  char hex[8];
  auto name = [&](unsigned marker) {
    std::snprintf(hex, sizeof hex, "FF%02X", marker);
    return std::string(hex);
  };
  std::vector<Row> rows{{"FFD8", 0, 2}};
  size_t pos = 2;
  for (;;) {
    while (pos + 1 < jpeg.size() && byte(pos) == 0xFF && byte(pos + 1) == 0xFF) ++pos;
    if (pos + 4 > jpeg.size() || byte(pos) != 0xFF) return rows;
    unsigned marker = byte(pos + 1);
    size_t size = (byte(pos + 2) << 8 | byte(pos + 3)) + 2;
    rows.emplace_back(name(marker), int64_t(pos), int64_t(size));
    pos += size;
    if (marker == 0xDA) break;
  }
  size_t n = jpeg.size();
  if (byte(n - 2) == 0xFF && byte(n - 1) == 0xD9) {
    rows.emplace_back("", int64_t(pos), int64_t(n - pos - 2));
    rows.emplace_back("FFD9", int64_t(n - 2), 2);
  } else {
    rows.emplace_back("", int64_t(pos), int64_t(n - pos));
  }
  return rows;
}

// SOI, APP0 16, DQT 132, SOF0 17, DHT 418, SOS 12, data, EOI.
std::string WorkedExample(const std::string& data) {
  std::string file = "\xFF\xD8";
  file += Segment(0xE0, std::string(14, 'a'));
  file += Segment(0xDB, std::string(130, 'q'));
  file += Segment(0xC0, std::string(15, 'f'));
  file += Segment(0xC4, std::string(416, 'h'));
  file += Segment(0xDA, std::string(10, 's'));
  return file + data + "\xFF\xD9";
}

TEST(SegmentTable, WorkedExampleGivesTheDocumentedEntries) {
  TempDir dir;
  std::string file = WorkedExample(std::string(1000, '\x55'));
  const int64_t n = int64_t(file.size());
  TJpegObject object(Write(dir, "example.jpg", file), false);
  std::vector<Row> expected{{"FFD8", 0, 2},     {"FFE0", 2, 18},   {"FFDB", 20, 134},  {"FFC0", 154, 19},
                            {"FFC4", 173, 420}, {"FFDA", 593, 14}, {"", 607, n - 609}, {"FFD9", n - 2, 2}};
  EXPECT_EQ(Rows(object), expected);
  std::vector<std::string> names;
  for (const auto& s : object.Segments) names.push_back(s.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Start of image (SOI)", "JFIF data (APP0)",
                                             "Quantization table definition (DQT)", "Start of frame (SOF)",
                                             "Huffman table definition (DHT)", "Start of scan (SOS)",
                                             "Compressed image data", "End of image (EOI)"}));
  for (int i = 1; i <= object.SegmentCount(); ++i) EXPECT_EQ(object.Segment(i).Number, i);
  EXPECT_EQ(object.ExifSegment.Marker, 0);
  EXPECT_EQ(object.GetSegmentBytes(0xFFDB), file.substr(20, 134));
  EXPECT_EQ(object.GetSegmentBytes(0xFFE1), "");
}

TEST(SegmentTable, NamesKeepTheirSpellingAndUnnamedMarkersShowHex) {
  EXPECT_EQ(SegmentName(0xFFED), "IPTC data (APP14)");
  EXPECT_EQ(SegmentName(0xFFEE), "Photoshop data (App14)");
  EXPECT_EQ(SegmentName(0xFFDD), "Restart interoperability definition (DRI)");
  TempDir dir;
  std::string file = "\xFF\xD8" + Segment(0xE3, "x") + Segment(0xEF, "y") + Segment(0xC2, "z") +
                     Segment(0xDA, "s") + "data" + "\xFF\xD9";
  TJpegObject object(Write(dir, "odd.jpg", file), false);
  ASSERT_EQ(object.SegmentCount(), 7);
  for (int i : {2, 3, 4}) EXPECT_EQ(object.Segment(i).Name, "???");
  EXPECT_EQ(object.Segment(2).MarkerHex, "FFE3");
  EXPECT_EQ(object.Segment(4).MarkerHex, "FFC2");
  EXPECT_EQ(object.Segment(6).MarkerHex, "");
}

TEST(SegmentTable, TrailingBytesLeaveNoEoiAndNonJpegGivesNothing) {
  TempDir dir;
  std::string file = WorkedExample("data") + "trailer";
  TJpegObject trailing(Write(dir, "trailing.jpg", file), false);
  ASSERT_EQ(trailing.SegmentCount(), 7);
  EXPECT_EQ(Rows(trailing).back(), Row("", 607, int64_t(file.size()) - 607));

  TJpegObject notJpeg(Write(dir, "text.jpg", "GIF89a and more"), false);
  EXPECT_EQ(notJpeg.SegmentCount(), 0);
  EXPECT_FALSE(notJpeg.ThumbIsJpeg);
  EXPECT_THROW(TJpegObject(dir / "missing.jpg", false), FileError);
}

TEST(SegmentTable, FirstOfTwoApp1SegmentsIsTheExifSegment) {
  TempDir dir;
  std::string file = "\xFF\xD8" + Segment(0xE1, std::string("Exif\0\0MM", 8)) + Segment(0xE1, "http://ns") +
                     Segment(0xDA, "s") + "d\xFF\xD9";
  TJpegObject object(Write(dir, "two.jpg", file), false);
  EXPECT_EQ(object.FindSegment(0xFFE1), 2);
  EXPECT_EQ(object.Segment(3).Marker, 0xFFE1);
  EXPECT_EQ(object.ExifSegment.Offset, 2);
  EXPECT_EQ(object.ExifSegment.Number, 2);
  EXPECT_EQ(object.FindSegment(0xFFFE), 0);
}

// An XMP packet in APP1 is named for what it is, in the table read whole and
// in the one read from the headers; before the EXIF block it is neither
// taken for it nor deleted or replaced in its place.
TEST(SegmentTable, XmpPacketIsNamedAndNeverTakenForTheExifBlock) {
  TempDir dir;
  const std::string xmp = Segment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 42));
  const std::string exif = Segment(0xE1, std::string("Exif\0\0MM", 8));
  const std::string rest = Segment(0xDA, "s") + "d\xFF\xD9";
  const fs::path path = Write(dir, "xmp.jpg", "\xFF\xD8" + xmp + exif + rest);
  TJpegObject object(path, false);
  EXPECT_EQ(object.Segment(2).Name, "XMP data (APP1)");
  EXPECT_EQ(object.Segment(3).Name, "EXIF data (APP1)");
  EXPECT_EQ(TJpegObject::ReadSegmentTable(path)[1].Name, "XMP data (APP1)");
  EXPECT_EQ(object.ExifSegment.Number, 3);
  EXPECT_TRUE(object.DeleteExif());
  const std::string after = test::ReadBytes(path);
  EXPECT_NE(after.find(xmp + rest), std::string::npos);
  EXPECT_EQ(after.find(exif), std::string::npos);
  EXPECT_FALSE(TJpegObject(path, false).DeleteExif());
}

TEST(SegmentTable, CameraFilesMatchAnIndependentWalk) {
  PIXALDO_NEEDS_SAMPLES();
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(test::TestData("cameras"))) {
    std::string bytes = test::ReadBytes(entry.path());
    TJpegObject object(entry.path(), false);
    EXPECT_EQ(Rows(object), IndependentWalk(bytes)) << entry.path();
    ++checked;
  }
  for (const auto& entry : fs::directory_iterator(test::TestData("photos"))) {
    TJpegObject object(entry.path(), false);
    EXPECT_EQ(Rows(object), IndependentWalk(test::ReadBytes(entry.path()))) << entry.path();
  }
  EXPECT_GT(checked, 60);
}

TEST(SegmentTable, WalkStopsAtLengthBelowTwoEndOfDataAndFullTable) {
  TempDir dir;
  std::string head = "\xFF\xD8" + Segment(0xE0, "jfif");
  // A length of 1 would move the walk backwards: the walk ends before it.
  TJpegObject backwards(Write(dir, "back.jpg", head + std::string("\xFF\xFE\x00\x01", 4) + Segment(0xDA, "s") + "\xFF\xD9"), false);
  EXPECT_EQ(backwards.SegmentCount(), 2);
  // A segment cut short by the end of the file is listed with what is there.
  TJpegObject cut(Write(dir, "cut.jpg", head + std::string("\xFF\xE1\x10\x00" "abc", 7)), false);
  ASSERT_EQ(cut.SegmentCount(), 3);
  EXPECT_EQ(cut.Segment(3).Size, 7);
  EXPECT_EQ(cut.GetSegmentBytes(0xFFE1), std::string("\xFF\xE1\x10\x00" "abc", 7));
  // No start of scan before the end: no data entry.
  TJpegObject noScan(Write(dir, "noscan.jpg", head), false);
  EXPECT_EQ(noScan.SegmentCount(), 2);
  // 60 comments before the scan: SOI and 47 segments, then the walk stops.
  std::string many = "\xFF\xD8";
  for (int i = 0; i < 60; ++i) many += Segment(0xFE, "c");
  TJpegObject full(Write(dir, "many.jpg", many + Segment(0xDA, "s") + "\xFF\xD9"), false);
  EXPECT_EQ(full.SegmentCount(), 48);
  // Exactly 47 segments up to and including SOS still fit with data and EOI.
  std::string fits = "\xFF\xD8";
  for (int i = 0; i < 46; ++i) fits += Segment(0xFE, "c");
  TJpegObject fit(Write(dir, "fits.jpg", fits + Segment(0xDA, "s") + "dd\xFF\xD9"), false);
  EXPECT_EQ(fit.SegmentCount(), TJpegObject::kSegmentSlots);
  EXPECT_EQ(fit.Segment(50).Marker, 0xFFD9);
}

// The table read from the headers alone is the one of the loaded file.
TEST(SegmentTable, HeaderOnlyReadGivesTheTableOfTheWholeFile) {
  TempDir dir;
  const std::string head = "\xFF\xD8" + Segment(0xE0, "jfif");
  std::string many = "\xFF\xD8", fits = "\xFF\xD8";
  for (int i = 0; i < 60; ++i) many += Segment(0xFE, "c");
  for (int i = 0; i < 46; ++i) fits += Segment(0xFE, "c");
  const std::string files[] = {
      WorkedExample(std::string(1000, '\x55')),
      WorkedExample("data") + "trailer",
      head + std::string("\xFF\xFE\x00\x01", 4) + Segment(0xDA, "s") + "\xFF\xD9",
      head + std::string("\xFF\xE1\x10\x00" "abc", 7),
      head,
      many + Segment(0xDA, "s") + "\xFF\xD9",
      fits + Segment(0xDA, "s") + "dd\xFF\xD9",
      head + Segment(0xE1, std::string(65000, 'e')) + Segment(0xE2, std::string(5000, 'i')) + Segment(0xDA, "s") +
          std::string(300000, 'd') + "\xFF\xD9",
      "GIF89a and more",
      "",
      "\xFF",
  };
  for (size_t i = 0; i < std::size(files); ++i) {
    const fs::path path = Write(dir, std::to_string(i) + ".jpg", files[i]);
    const std::vector<TJpegSegment> table = TJpegObject::ReadSegmentTable(path);
    EXPECT_EQ(Rows(table), Rows(TJpegObject(path, false))) << i;
    for (size_t k = 0; k < table.size(); ++k) EXPECT_EQ(table[k].Number, k + 1);
  }
  EXPECT_THROW(TJpegObject::ReadSegmentTable(dir / "missing.jpg"), FileError);
  EXPECT_THROW(TJpegObject::ReadSegmentTable(dir.path()), FileError);
}

void ExerciseEverything(const fs::path& path) {
  TJpegObject object(path, false);
  EXPECT_EQ(Rows(TJpegObject::ReadSegmentTable(path)), Rows(object)) << path;
  const int64_t n = int64_t(object.Bytes().size());
  EXPECT_LE(object.SegmentCount(), TJpegObject::kSegmentSlots);
  for (const auto& s : object.Segments) {
    EXPECT_GE(s.Offset, 0) << path;
    EXPECT_GE(s.Size, 0) << path;
    EXPECT_LE(s.Offset + s.Size, n) << path;
  }
  object.FillExifLists();
  object.FillIptcList();
  object.ReadComment();
  object.GetThumbnailBytes();
  object.GetThumbnailImage();
  object.GetSegmentBytes(0xFFE1);
}

TEST(SegmentTable, DamagedAndHostileFilesGiveATableWithoutHarm) {
  PIXALDO_NEEDS_SAMPLES();
  TempDir dir;
  for (const char* folder : {"damaged", "hostile"}) {
    int i = 0;
    for (const auto& entry : fs::directory_iterator(test::TestData(folder))) {
      if (!entry.is_regular_file()) continue;
      auto copy = dir / (std::to_string(i++) + ".jpg");
      fs::copy_file(entry.path(), copy, fs::copy_options::overwrite_existing);
      ExerciseEverything(copy);
    }
  }
}

TEST(SegmentTable, MutatedCopiesOfCameraFilesGiveATableWithoutHarm) {
  PIXALDO_NEEDS_SAMPLES();
  TempDir dir;
  std::mt19937 random(1234);
  for (const char* name : {"cameras/Canon_40D.jpg", "cameras/Nikon_D70.jpg", "cameras/DSCN0010.jpg",
                           "iptc/IPTC.jpg"}) {
    std::string original = test::ReadBytes(test::TestData(name));
    for (int round = 0; round < 40; ++round) {
      std::string mutated = original;
      const size_t head = std::min<size_t>(mutated.size(), 12000);
      for (int k = 0; k < 6; ++k) mutated[random() % head] = char(random());
      if (round % 4 == 3) mutated.resize(random() % head);
      auto path = Write(dir, "mutated.jpg", mutated);
      ExerciseEverything(path);
    }
  }
}

}  // namespace
}  // namespace pixaldo
