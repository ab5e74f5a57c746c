// Photos drawn in the colours their files declare: embedded profiles of
// several colour spaces, the EXIF Adobe RGB hint and CMYK with its profile,
// each against lcms2's own conversion of the stored values to sRGB; photos
// that must be drawn exactly as stored; and the screen's profile.
#include <gtest/gtest.h>

#include <algorithm>

#include "colour/ColourEngine.h"
#include "colour/IccChunks.h"
#include "photo_view/PhotoView.h"
#include "support/ColourCharts.h"
#include "support/ExifBuilder.h"
#include "support/TestSupport.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

constexpr int kWidth = 96;
constexpr int kHeight = 64;
constexpr double kWithin = 0.01;  // 1 % of full scale, mean
constexpr double kNoticeable = 0.02;

ColourTarget On(const std::string& screen = {}) {
  ColourTarget target;
  if (!screen.empty()) target.screenProfile = std::make_shared<const std::string>(screen);
  return target;
}

// What the photo view shows for the file at 1:1.
std::vector<uint8_t> Drawn(const fs::path& file, const ColourTarget& target) {
  PhotoView view;
  view.SetColour(target);
  view.LoadPicture(file);
  view.FitAndShow(kWidth + 10, kHeight + 10, false, false);
  const RgbImage& display = view.Display();
  return {display.pixels.begin(), display.pixels.end()};
}

// The chart stored in the profile's space with the profile embedded.
std::string TaggedChart(const std::string& profile, size_t piece = 1000) {
  const Pixels stored = ConvertWithLcms(SrgbChart(kWidth, kHeight), BuildProfile(ChartProfile::Srgb), profile);
  return InsertAfterSoi(EncodeJpeg(stored), IccSegments(profile, piece));
}

// EXIF with ColorSpace and, when given, the interoperability index.
std::string ExifColourSpace(uint16_t space, const std::string& interop) {
  TiffBuilder tiff;
  tiff.Directory(8, {tiff.Long(0x8769, 26)});
  if (interop.empty()) {
    tiff.Directory(26, {tiff.Short(0xA001, space)});
  } else {
    tiff.Directory(26, {tiff.Short(0xA001, space), tiff.Long(0xA005, 56)});
    tiff.Directory(56, {tiff.Ascii(0x0001, interop)});
  }
  return tiff.ExifSegment();
}

struct SpaceCase {
  const char* name;
  ChartProfile profile;
};

class EmbeddedProfile : public ::testing::TestWithParam<SpaceCase> {};

TEST_P(EmbeddedProfile, DrawnAsLcmsConvertsItToSrgb) {
  TempDir dir;
  const std::string profile = BuildProfile(GetParam().profile);
  const std::string jpeg = TaggedChart(profile);
  WriteBytes(dir / "chart.jpg", jpeg);
  const Pixels expected = ConvertWithLcms(DecodeStored(jpeg), profile, BuildProfile(ChartProfile::Srgb));
  EXPECT_LT(MeanError(Drawn(dir / "chart.jpg", On()), expected.bytes), kWithin);
  // Drawn as stored, the colours are plainly off: the case is worth testing.
  EXPECT_GT(MeanError(Drawn(dir / "chart.jpg", ColourTarget::Off()), expected.bytes), kNoticeable);
}

INSTANTIATE_TEST_SUITE_P(Spaces, EmbeddedProfile,
                         ::testing::Values(SpaceCase{"AdobeRgb", ChartProfile::AdobeRgb},
                                           SpaceCase{"DisplayP3", ChartProfile::DisplayP3},
                                           SpaceCase{"ProPhotoRgb", ChartProfile::ProPhotoRgb},
                                           SpaceCase{"WideGamutRgb", ChartProfile::WideGamutRgb},
                                           SpaceCase{"SwappedRedGreen", ChartProfile::SwappedRgb}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ColourManagement, CmykWithItsProfileAndAdobeInversion) {
  TempDir dir;
  const std::string profile = BuildProfile(ChartProfile::Cmyk);
  const std::string plain = EncodeJpeg(CmykChart(kWidth, kHeight));
  const std::string tagged = InsertAfterSoi(plain, IccSegments(profile));
  WriteBytes(dir / "tagged.jpg", tagged);
  WriteBytes(dir / "plain.jpg", plain);
  const Pixels expected = ConvertWithLcms(DecodeStored(tagged), profile, BuildProfile(ChartProfile::Srgb), true);
  EXPECT_LT(MeanError(Drawn(dir / "tagged.jpg", On()), expected.bytes), kWithin);
  EXPECT_GT(MeanError(Drawn(dir / "tagged.jpg", ColourTarget::Off()), expected.bytes), kNoticeable);
  // Without a profile CMYK keeps the conversion it always had.
  EXPECT_EQ(Drawn(dir / "plain.jpg", On()), Drawn(dir / "plain.jpg", ColourTarget::Off()));
}

TEST(ColourManagement, GreyWithItsProfile) {
  TempDir dir;
  const std::string profile = BuildProfile(ChartProfile::Grey);
  Pixels grey{kWidth, kHeight, 1, {}};
  for (int i = 0; i < kWidth * kHeight; ++i) grey.bytes.push_back(uint8_t(i % kWidth * 255 / (kWidth - 1)));
  const std::string jpeg = InsertAfterSoi(EncodeJpeg(grey), IccSegments(profile));
  WriteBytes(dir / "grey.jpg", jpeg);
  const Pixels expected = ConvertWithLcms(DecodeStored(jpeg), profile, BuildProfile(ChartProfile::Srgb));
  EXPECT_LT(MeanError(Drawn(dir / "grey.jpg", On()), expected.bytes), kWithin);
  EXPECT_GT(MeanError(Drawn(dir / "grey.jpg", ColourTarget::Off()), expected.bytes), kNoticeable);
}

TEST(ColourManagement, ExifAdobeRgbHint) {
  TempDir dir;
  const std::string adobe = BuildProfile(ChartProfile::AdobeRgb);
  const std::string stored =
      EncodeJpeg(ConvertWithLcms(SrgbChart(kWidth, kHeight), BuildProfile(ChartProfile::Srgb), adobe));
  WriteBytes(dir / "r03.jpg", InsertAfterSoi(stored, {ExifColourSpace(0xFFFF, "R03")}));
  WriteBytes(dir / "uncalibrated.jpg", InsertAfterSoi(stored, {ExifColourSpace(0xFFFF, "")}));
  const Pixels expected = ConvertWithLcms(DecodeStored(stored), adobe, BuildProfile(ChartProfile::Srgb));
  EXPECT_LT(MeanError(Drawn(dir / "r03.jpg", On()), expected.bytes), kWithin);
  // "Uncalibrated" alone names no colour space: drawn as stored.
  EXPECT_EQ(Drawn(dir / "uncalibrated.jpg", On()), Drawn(dir / "uncalibrated.jpg", ColourTarget::Off()));
  EXPECT_EQ(ReadFileColourSource(dir / "r03.jpg").kind, ColourSourceKind::ExifAdobeRgb);
  EXPECT_EQ(ReadFileColourSource(dir / "uncalibrated.jpg").kind, ColourSourceKind::Untagged);
}

TEST(ColourManagement, SrgbPhotosOnAnSrgbScreenAreDrawnAsStored) {
  TempDir dir;
  const std::string jpeg = EncodeJpeg(SrgbChart(kWidth, kHeight));
  WriteBytes(dir / "untagged.jpg", jpeg);
  WriteBytes(dir / "srgb.jpg", InsertAfterSoi(jpeg, IccSegments(BuildProfile(ChartProfile::Srgb))));
  WriteBytes(dir / "exif-srgb.jpg", InsertAfterSoi(jpeg, {ExifColourSpace(1, "R98")}));
  const std::vector<uint8_t> stored = Drawn(dir / "untagged.jpg", ColourTarget::Off());
  for (const char* name : {"untagged.jpg", "srgb.jpg", "exif-srgb.jpg"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Drawn(dir / name, On()), stored);
    EXPECT_EQ(Drawn(dir / name, On(BuildProfile(ChartProfile::Srgb))), stored);
  }
}

TEST(ColourManagement, ConvertsForTheScreensProfile) {
  TempDir dir;
  const std::string jpeg = EncodeJpeg(SrgbChart(kWidth, kHeight));
  WriteBytes(dir / "untagged.jpg", jpeg);
  const std::string p3 = BuildProfile(ChartProfile::DisplayP3);
  const Pixels expected = ConvertWithLcms(DecodeStored(jpeg), BuildProfile(ChartProfile::Srgb), p3);
  EXPECT_LT(MeanError(Drawn(dir / "untagged.jpg", On(p3)), expected.bytes), kWithin);
  EXPECT_GT(MeanError(Drawn(dir / "untagged.jpg", On()), expected.bytes), kNoticeable);
}

TEST(IccChunks, JoinedBySequenceNumberInAnyOrder) {
  const std::string profile = BuildProfile(ChartProfile::DisplayP3);
  std::vector<std::string> segments = IccSegments(profile, 100);
  ASSERT_GT(segments.size(), 3u);
  std::reverse(segments.begin(), segments.end());
  const IccAssembly assembled = AssembleIccProfile(InsertAfterSoi(MakeJpeg(), segments));
  EXPECT_TRUE(assembled.Usable()) << assembled.problem;
  EXPECT_EQ(assembled.profile, profile);
}

TEST(ColourManagement, ProfileFactsForTheMetadataWindow) {
  const std::string jpeg = TaggedChart(BuildProfile(ChartProfile::AdobeRgb));
  const ColourSource source = ReadColourSource(jpeg);
  ASSERT_EQ(source.kind, ColourSourceKind::Embedded);
  const auto rows = IccRows(source);
  const std::vector<std::pair<std::string, std::string>> expected{
      {"Profile description", "Chart profile"}, {"Profile class", "Display"},  {"Colour space", "RGB"},
      {"Profile version", "4.4.0"},            {"Profile size", std::to_string(source.profile->size()) + " bytes"}};
  EXPECT_EQ(rows, expected);
  EXPECT_EQ(ColourSourceName(source), "Chart profile");
  EXPECT_TRUE(IccRows(ReadColourSource(MakeJpeg())).empty());
}

}  // namespace
