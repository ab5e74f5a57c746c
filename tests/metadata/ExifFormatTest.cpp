// Value texts and numbers of EXIF entries and the formatting routines.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "exif/ExifFormat.h"
#include "exif/ExifTags.h"
#include "platform/ByteOrder.h"
#include "support/LocaleScope.h"

namespace pixaldo {
namespace {

using test::DecimalSeparatorScope;

std::string Shorts(const std::vector<uint16_t>& values, bool bigEndian = false) {
  std::string out;
  for (uint16_t v : values) AppendU16(out, v, bigEndian);
  return out;
}

std::string Longs(const std::vector<uint32_t>& values, bool bigEndian = false) {
  std::string out;
  for (uint32_t v : values) AppendU32(out, v, bigEndian);
  return out;
}

// Rationals as numerator/denominator pairs.
std::string Rationals(const std::vector<std::pair<uint32_t, uint32_t>>& values, bool bigEndian = false) {
  std::string out;
  for (auto [n, d] : values) {
    AppendU32(out, n, bigEndian);
    AppendU32(out, d, bigEndian);
  }
  return out;
}

std::string Row(uint16_t tag, std::string_view raw, int type, bool bigEndian = false) {
  return DisplayText(FindTableRow(tag, MainDirectory), raw, type, bigEndian);
}

class ExifFormatTest : public ::testing::Test {
 protected:
  DecimalSeparatorScope point_{'.'};
};

TEST_F(ExifFormatTest, BytesToIntCombinesInByteOrderKeepingLow32BitsSigned) {
  EXPECT_EQ(BytesToInt("\x01\x02", true), 0x0102);
  EXPECT_EQ(BytesToInt("\x01\x02", false), 0x0201);
  EXPECT_EQ(BytesToInt(std::string("\xFF\xFF\xFF\xFF", 4), false), -1);
  // Five bytes: the most significant one falls off.
  EXPECT_EQ(BytesToInt("\x09\x01\x02\x03\x04", true), 0x01020304);
  EXPECT_EQ(BytesToInt("\x01\x02\x03\x04\x09", false), 0x04030201);
  EXPECT_EQ(BytesToInt("", true), 0);
}

TEST_F(ExifFormatTest, IntegerValuesAreJoinedAndCutAfterEight) {
  EXPECT_EQ(FormatValue(Shorts({640}), 3, "", "", false), "640");
  EXPECT_EQ(FormatValue(Shorts({640}, true), 3, "", "", true), "640");
  EXPECT_EQ(FormatValue(Shorts({1, 2, 3}), 3, "", "", false), "1, 2, 3");
  EXPECT_EQ(FormatValue(Longs({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), 4, "", "", false),
            "1, 2, 3, 4, 5, 6, 7, 8");
  // A trailing partial value is not shown.
  EXPECT_EQ(FormatValue(Shorts({7}) + "\x01", 3, "", "", false), "7");
  EXPECT_EQ(FormatValue("", 3, "", "", false), "");
}

TEST_F(ExifFormatTest, SignedAndUnsignedIntegersKeepTheirSign) {
  EXPECT_EQ(FormatValue(Shorts({0xFFFF}), 8, "", "", false), "-1");
  EXPECT_EQ(FormatValue(Shorts({0xFFFF}), 3, "", "", false), "65535");
  EXPECT_EQ(FormatValue("\xFE", 6, "", "", false), "-2");
  EXPECT_EQ(FormatValue("\xFE", 1, "", "", false), "254");
  EXPECT_EQ(FormatValue(Longs({0xFFFFFFFF}), 4, "", "", false), "4294967295");
  EXPECT_EQ(FormatValue(Longs({0xFFFFFFFF}), 9, "", "", false), "-1");
  EXPECT_DOUBLE_EQ(NumericValue(Shorts({0xFFFE}), 8, false), -2);
  EXPECT_DOUBLE_EQ(NumericValue(Longs({3000000000u}), 4, false), 3000000000.0);
}

TEST_F(ExifFormatTest, TypesWithoutATextForm) {
  EXPECT_EQ(FormatValue("abc", 0, "", "", false), "0");
  EXPECT_EQ(FormatValue("abc", 13, "", "", false), "0");
  EXPECT_EQ(FormatValue("ab", 7, "", "", false), "?, ?");
  EXPECT_EQ(FormatValue(Longs({1, 2}), 11, "", "", false), "-9999.99, -9999.99");
  EXPECT_EQ(FormatValue(std::string(8, '\0'), 12, "", "", false), "-9999.99");
}

TEST_F(ExifFormatTest, CodeListsDecodeValues) {
  EXPECT_EQ(Row(0x0112, Shorts({1}), 3), "Normal");
  EXPECT_EQ(Row(0x0112, Shorts({3}), 3), "Rotated 180\xB0");
  EXPECT_EQ(Row(0x0112, Shorts({2}), 3), "");
  // PhotometricInterpretation separates its entries with ", ": only the first decodes.
  EXPECT_EQ(Row(0x0106, Shorts({1}), 3), "Monochrome");
  EXPECT_EQ(Row(0x0106, Shorts({2}), 3), "");
  EXPECT_EQ(Row(0x0106, Shorts({6}), 3), "");
  // "1" must not match "10:" and "0" must not match "10:".
  EXPECT_EQ(Row(0x9208, Shorts({1}), 3), "Daylight");
  EXPECT_EQ(Row(0x9208, Shorts({10}), 3), "Flash");
  EXPECT_EQ(Row(0x9208, Shorts({0}), 3), "Unidentified");
  EXPECT_EQ(Row(0x9208, Shorts({1, 10}), 3), "Daylight, Flash");
  EXPECT_EQ(DecodeCode("1:One,2:Two", " 2 "), "Two");
}

TEST_F(ExifFormatTest, RationalTextsAndTemplates) {
  EXPECT_EQ(FormatValue(Rationals({{1, 250}}), 5, "", "", false), "1/250");
  EXPECT_EQ(FormatValue(Rationals({{0xFFFFFFFF, 1}}), 10, "", "", false), "-1/1");
  EXPECT_EQ(FormatValue(Rationals({{0, 0}}), 5, "", "", false), "0/0");
  EXPECT_EQ(FormatValue(Rationals({{0, 0}}), 5, "", "F%0.1f", false), "F0.0");
  EXPECT_EQ(Row(0x829D, Rationals({{28, 10}}), 5), "F2.8");
  EXPECT_EQ(Row(0x829A, Rationals({{1, 250}}), 5), "1/250 sec");
  EXPECT_EQ(Row(0x829A, Rationals({{10, 1}}), 5), "10/1 sec");
  EXPECT_EQ(Row(0x920A, Rationals({{35, 1}}), 5), "35.00 mm");
  EXPECT_EQ(Row(0x920A, Rationals({{71, 10}}), 5), " 7.10 mm");
  EXPECT_EQ(Row(0x011A, Rationals({{72, 1}}), 5), "72.00");
  std::vector<std::pair<uint32_t, uint32_t>> ten;
  for (uint32_t i = 1; i <= 10; ++i) ten.push_back({i, 1});
  EXPECT_EQ(FormatValue(Rationals(ten), 5, "", "", false), "1/1, 2/1, 3/1, 4/1, 5/1, 6/1, 7/1, 8/1");
  // A code list on a rational decodes the whole text built so far.
  EXPECT_EQ(FormatValue(Rationals({{1, 1}}), 5, "1/1:one", "", false), "1/1one");
}

TEST_F(ExifFormatTest, TemplatesUseTheUsersDecimalSeparator) {
  DecimalSeparatorScope comma(',');
  EXPECT_EQ(Row(0x829D, Rationals({{28, 10}}), 5), "F2,8");
  EXPECT_EQ(Row(0x920A, Rationals({{71, 10}}), 5), " 7,10 mm");
  EXPECT_EQ(FormatShutterSpeed("7965784/1000000"), "0,0040 sec (1/250)");
  // A "%s" template takes the text as it is.
  EXPECT_EQ(Row(0x829A, Rationals({{1, 250}}), 5), "1/250 sec");
}

TEST_F(ExifFormatTest, NumericValues) {
  EXPECT_DOUBLE_EQ(NumericValue(Shorts({640}), 3, false), 640);
  EXPECT_DOUBLE_EQ(NumericValue(Shorts({640}, true), 3, true), 640);
  // Several values: the first one counts.
  EXPECT_DOUBLE_EQ(NumericValue(Shorts({100, 0}), 3, false), 100);
  EXPECT_DOUBLE_EQ(NumericValue(Shorts({100, 0}, true), 3, true), 100);
  EXPECT_DOUBLE_EQ(NumericValue(Rationals({{28, 10}, {1, 1}}), 5, false), 2.8);
  EXPECT_DOUBLE_EQ(NumericValue(Rationals({{5, 0}}), 5, false), 0);
  EXPECT_DOUBLE_EQ(NumericValue(Rationals({{0xFFFFFFFE, 4}}), 10, false), -0.5);
  EXPECT_DOUBLE_EQ(NumericValue("abc", 2, false), 0);
  EXPECT_DOUBLE_EQ(NumericValue("abc", 99, false), 0);
  // Too short for a whole value: no read past the bytes.
  EXPECT_DOUBLE_EQ(NumericValue("\x05", 4, false), 5);
  EXPECT_DOUBLE_EQ(NumericValue("\x05\x00\x00", 5, false), 0);
  EXPECT_DOUBLE_EQ(NumericValue("", 12, false), 0);
}

TEST_F(ExifFormatTest, FloatsReadAsIeeeNumbers) {
  EXPECT_DOUBLE_EQ(NumericValue(Longs({std::bit_cast<uint32_t>(2.5f)}), 11, false), 2.5);
  EXPECT_DOUBLE_EQ(NumericValue(Longs({std::bit_cast<uint32_t>(2.5f)}, true), 11, true), 2.5);
  uint64_t bits = std::bit_cast<uint64_t>(-1.25);
  EXPECT_DOUBLE_EQ(NumericValue(Longs({uint32_t(bits), uint32_t(bits >> 32)}), 12, false), -1.25);
  EXPECT_DOUBLE_EQ(NumericValue(Longs({uint32_t(bits >> 32), uint32_t(bits)}, true), 12, true), -1.25);
  // Not-a-number and infinity give 0, so callers can round safely.
  EXPECT_DOUBLE_EQ(NumericValue(Longs({0x7FC00000}), 11, false), 0);
  EXPECT_DOUBLE_EQ(NumericValue(Longs({0x7F800000}), 11, false), 0);
  EXPECT_EQ(FormatValue(Longs({std::bit_cast<uint32_t>(2.5f)}), 11, "", "F%0.1f", false), "F2.5");
}

TEST_F(ExifFormatTest, MakePrintableCutsAndMasks) {
  EXPECT_EQ(MakePrintable(std::string(60, 'a')), std::string(50, 'a'));
  EXPECT_EQ(MakePrintable(std::string("a\0b\tc\x1F\x20\xE8", 8)), "a.b.c. \xE8");
  EXPECT_EQ(MakePrintable(""), "");
}

TEST_F(ExifFormatTest, DisplayTextOfTextAndUndefinedEntries) {
  // ASCII: the last byte (the terminating zero) is dropped, 50 characters shown.
  EXPECT_EQ(Row(0x010F, std::string("Canon\0", 6), 2), "Canon");
  std::string sixty(60, 'x');
  sixty[3] = '\0';
  EXPECT_EQ(Row(0x010E, sixty + '\0', 2), "xxx." + std::string(46, 'x'));
  EXPECT_EQ(Row(0x010E, "", 2), "");
  // A camera that leaves the terminating zero out keeps its last letter.
  EXPECT_EQ(Row(0x010F, "EASTMAN KODAK COMPANY", 2), "EASTMAN KODAK COMPANY");
  // Undefined: the bytes before the first zero, between double quotes.
  EXPECT_EQ(Row(0x9000, "0220", 7), "\"0220\"");
  EXPECT_EQ(Row(0xA000, std::string("\0" "100", 4), 7), "\"\"");
  EXPECT_EQ(Row(0x9000, std::string("02\0" "9", 4), 7), "\"02\"");
  // The "Unknown" row has no routine and no code list.
  EXPECT_EQ(Row(0x7777, Shorts({5}), 3), "5");
}

TEST_F(ExifFormatTest, FlashTexts) {
  EXPECT_EQ(FormatFlash("0"), "Off");
  EXPECT_EQ(FormatFlash("25"), "On, auto mode");
  EXPECT_EQ(FormatFlash("16"), "Off, surpressed");
  EXPECT_EQ(FormatFlash("3"), "On, UNKNOWN");
  EXPECT_EQ(FormatFlash("45"), "On, no strobe return, forced, no flash function");
  EXPECT_EQ(FormatFlash("95"), "On, strobe return, auto mode, red-eye reduction");
  EXPECT_EQ(Row(0x9209, Shorts({25}), 3), "On, auto mode");
  EXPECT_THROW(FormatFlash("abc"), std::runtime_error);
  EXPECT_THROW(FormatFlash(""), std::runtime_error);
  // Two values make a text that is not an integer.
  EXPECT_THROW(Row(0x9209, Shorts({1, 0}), 3), std::runtime_error);
}

TEST_F(ExifFormatTest, ExposureFromShutterSpeed) {
  EXPECT_EQ(FormatShutterSpeed("7965784/1000000"), "0.0040 sec (1/250)");
  EXPECT_EQ(FormatShutterSpeed("0/1"), "1.0000 sec");
  EXPECT_EQ(FormatShutterSpeed("1/1"), "0.5000 sec (1/2)");
  EXPECT_EQ(FormatShutterSpeed("-1/1"), "2.0000 sec");
  EXPECT_EQ(FormatShutterSpeed("not a number"), "1.0000 sec");
  EXPECT_EQ(Row(0x9201, Rationals({{7965784, 1000000}}), 10), "0.0040 sec (1/250)");
  // Extreme values give some text and never fail.
  EXPECT_FALSE(FormatShutterSpeed("2147483647/1").empty());
  EXPECT_FALSE(FormatShutterSpeed("-2147483647/1").empty());
}

TEST_F(ExifFormatTest, ComponentsConfiguration) {
  EXPECT_EQ(Row(0x9101, std::string("\x01\x02\x03\x00", 4), 7), "YCbCr");
  EXPECT_EQ(Row(0x9101, std::string("\x04\x05\x06\x00", 4), 7), "RGB");
  EXPECT_EQ(FormatComponentsConfiguration(""), "");
  EXPECT_EQ(FormatComponentsConfiguration("\"\x01\x09\""), "Y");
}

TEST_F(ExifFormatTest, Ucs2Texts) {
  auto ucs2 = [](std::string_view text) {
    std::string out;
    for (char c : text) {
      out += c;
      out += '\0';
    }
    return out + std::string(2, '\0');
  };
  EXPECT_EQ(Row(0x9C9B, ucs2("Test"), 1), "Test");
  EXPECT_EQ(Row(0x9C9F, ucs2("Holiday"), 1), "Holi");
  EXPECT_EQ(FormatUcs2Text("65, x, 66, y"), "AB");
  EXPECT_EQ(FormatUcs2Text("x, 65, y, 66"), "");
  EXPECT_EQ(FormatUcs2Text(""), "");
}

TEST_F(ExifFormatTest, GpsCoordinatesAndTimes) {
  EXPECT_EQ(FormatGpsCoordinate("49/1, 1234/100, 0/1"), "49 Degrees 12 Minutes 20 Seconds");
  EXPECT_EQ(FormatGpsCoordinate("50/1, 5/1, 3012/100"), "50 Degrees 5 Minutes 30 Seconds");
  EXPECT_EQ(FormatGpsCoordinate("49/1"), "49 Degrees 0 Minutes 0 Seconds");
  EXPECT_EQ(FormatGpsCoordinate(""), "0 Degrees 0 Minutes 0 Seconds");
  auto lat = Rationals({{49, 1}, {1234, 100}, {0, 1}}, true);
  EXPECT_EQ(DisplayText(FindTableRow(2, GpsDirectory), lat, 5, true), "49 Degrees 12 Minutes 20 Seconds");
  EXPECT_EQ(FormatGpsTime("14/1, 5/1, 30/1"), "14:5:30");
  EXPECT_EQ(DisplayText(FindTableRow(7, GpsDirectory), Rationals({{14, 1}, {5, 1}, {30, 1}}), 5, false),
            "14:5:30");
  EXPECT_EQ(FormatGpsTime("garbage"), "0:0:0");
}

TEST_F(ExifFormatTest, ParseFractionForms) {
  EXPECT_DOUBLE_EQ(ParseFraction("1/250"), 0.004);
  EXPECT_DOUBLE_EQ(ParseFraction("  3/4 "), 0.75);
  EXPECT_DOUBLE_EQ(ParseFraction("1 1/2"), 1.5);
  EXPECT_DOUBLE_EQ(ParseFraction("-1/2"), -0.5);
  EXPECT_DOUBLE_EQ(ParseFraction("5"), 0);
  EXPECT_DOUBLE_EQ(ParseFraction("1/0"), 0);
  EXPECT_DOUBLE_EQ(ParseFraction("a/2"), 0);
  EXPECT_DOUBLE_EQ(ParseFraction("x 1/2"), 0);
  EXPECT_DOUBLE_EQ(ParseFraction("99999999999/1"), 0);
  EXPECT_DOUBLE_EQ(ParseFraction(""), 0);
}

}  // namespace
}  // namespace pixaldo
