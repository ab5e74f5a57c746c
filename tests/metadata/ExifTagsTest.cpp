// The EXIF and GPS tag tables: contents, descriptions and row lookup.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <stdexcept>

#include "exif/ExifFormat.h"
#include "exif/ExifTags.h"

namespace pixaldo {
namespace {

TEST(ExifTagsTest, TablesHaveTheirRowsWithUniqueTags) {
  auto exif = ExifTagTableRows();
  ASSERT_EQ(exif.size(), 251u);
  EXPECT_EQ(exif.back().Dataset, 0);
  EXPECT_EQ(exif.back().Name, "Unknown");
  std::set<uint16_t> tags;
  for (size_t i = 0; i + 1 < exif.size(); ++i) {
    EXPECT_NE(exif[i].Dataset, 0) << exif[i].Name;
    EXPECT_TRUE(tags.insert(exif[i].Dataset).second) << exif[i].Name;
  }
  auto gps = GpsTagTableRows();
  ASSERT_EQ(gps.size(), 31u);
  std::set<uint16_t> gpsTags;
  for (const auto& row : gps) EXPECT_TRUE(gpsTags.insert(row.Dataset).second) << row.Name;
  EXPECT_EQ(gps.front().Name, "GPSVersionID");
  EXPECT_EQ(gps.back().Dataset, 0x1E);
}

TEST(ExifTagsTest, SplitWordsExamples) {
  EXPECT_EQ(SplitWords("ExposureBiasValue"), "Exposure Bias Value");
  EXPECT_EQ(SplitWords("ISOSpeedRatings"), "ISOSpeed Ratings");
  EXPECT_EQ(SplitWords("FocalPlaneXResolution"), "Focal Plane XResolution");
  EXPECT_EQ(SplitWords("YCbCrPositioning"), "YCb Cr Positioning");
  EXPECT_EQ(SplitWords("GPSLatitude"), "GPSLatitude");
  EXPECT_EQ(SplitWords("FNumber"), "FNumber");
  EXPECT_EQ(SplitWords("Unknown"), "Unknown");
  EXPECT_EQ(SplitWords("x"), "x");
  EXPECT_EQ(SplitWords(""), "");
}

TEST(ExifTagsTest, RowsFoundByTagAndKind) {
  TTagEntry row = FindTableRow(0x829A, MainDirectory);
  EXPECT_EQ(row.Dataset, 0x829A);
  EXPECT_EQ(row.Name, "ExposureTime");
  EXPECT_EQ(row.Description, "Exposure Time");
  EXPECT_EQ(row.FormatText, "%s sec");
  EXPECT_EQ(row.Group, 0);
  EXPECT_TRUE(row.Value.empty());
  EXPECT_TRUE(row.RawValue.empty());

  // The thumbnail directory uses the EXIF table too.
  EXPECT_EQ(FindTableRow(0x0103, ThumbnailDirectory).Codes, "6:Jpeg,3:Uncompressed,1:TIFF");
  // Tag 2 is a different tag in each table.
  EXPECT_EQ(FindTableRow(0x0002, MainDirectory).Name, "InteroperabilityVersion");
  EXPECT_EQ(FindTableRow(0x0002, GpsDirectory).Name, "GPSLatitude");
  EXPECT_NE(FindTableRow(0x0002, GpsDirectory).Formatter, nullptr);

  TTagEntry differential = FindTableRow(0x001E, GpsDirectory);
  EXPECT_EQ(differential.Name, "GPSDifferential");
  EXPECT_EQ(differential.Description, "GPSDifferential");
  // GPSVersionID is found but, having tag 0, is never kept by the reader.
  TTagEntry version = FindTableRow(0x0000, GpsDirectory);
  EXPECT_EQ(version.Name, "GPSVersionID");
  EXPECT_EQ(version.Dataset, 0);

  for (auto [tag, kind] : {std::pair{uint16_t(0x7777), MainDirectory}, {uint16_t(0x0040), GpsDirectory},
                           {uint16_t(0x0000), MainDirectory}}) {
    TTagEntry unknown = FindTableRow(tag, kind);
    EXPECT_EQ(unknown.Dataset, 0);
    EXPECT_EQ(unknown.Name, "Unknown");
    EXPECT_EQ(unknown.Description, "Unknown");
  }
}

TEST(ExifTagsTest, PresetDescriptionsAndSpecialRows) {
  EXPECT_EQ(FindTableRow(0xA405, MainDirectory).Description, "Focal Length in 35mm Film");
  EXPECT_EQ(FindTableRow(0x83BB, MainDirectory).Description, "IPTC/NAA");
  EXPECT_EQ(FindTableRow(0xA216, MainDirectory).Description, "TIFF/EPStandardID");
  EXPECT_EQ(FindTableRow(0x9204, MainDirectory).Description, "Exposure Bias Value");
}

TEST(ExifTagsTest, RowByNameIgnoresCase) {
  TTagEntry row = FindExifRowByName("FocalLengthIn35mmFilm");
  EXPECT_EQ(row.Dataset, 0xA405);
  EXPECT_EQ(row.Name, "FocalLengthin35mmFilm");
  // Duplicate names: the first row wins.
  EXPECT_EQ(FindExifRowByName("flashenergy").Dataset, 0x920B);
  EXPECT_EQ(FindExifRowByName("NoSuchTag").Name, "Unknown");
}

// Every row with every value type and arbitrary bytes gives some text; only
// the flash routine may refuse a value that is not one integer.
TEST(ExifTagsTest, EveryRowFormatsArbitraryBytes) {
  std::mt19937 random(12345);
  auto check = [&](std::span<const TagTableRow> rows, DirectoryKind kind) {
    for (const TagTableRow& tableRow : rows) {
      TTagEntry row = FindTableRow(tableRow.Dataset, kind);
      for (int type = 0; type <= 13; ++type) {
        for (size_t length : {0, 1, 3, 4, 8, 17, 80}) {
          std::string raw(length, '\0');
          for (char& c : raw) c = char(random());
          for (bool bigEndian : {false, true}) {
            try {
              std::string text = DisplayText(row, raw, type, bigEndian);
              if (!row.Formatter) EXPECT_LE(text.size(), 50u);
            } catch (const std::runtime_error&) {
              EXPECT_EQ(row.Formatter, &FormatFlash) << row.Name;
            }
            (void)NumericValue(raw, type, bigEndian);
          }
        }
      }
    }
  };
  check(ExifTagTableRows(), MainDirectory);
  check(GpsTagTableRows(), GpsDirectory);
}

}  // namespace
}  // namespace pixaldo
