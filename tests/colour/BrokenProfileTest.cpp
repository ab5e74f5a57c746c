// Profiles that cannot be used: the photo is still drawn (as sRGB, so as
// stored on an sRGB screen), nothing is printed, and the metadata lists say
// why. Through the command-line tool, whose standard error must stay empty
// whatever lcms2 thinks of the profile.
#include <gtest/gtest.h>

#include <functional>

#include "support/ColourCharts.h"
#include "support/TestSupport.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

constexpr size_t kLargestPiece = 65519;

std::string WithSize(std::string profile, size_t size) {
  for (int i = 0; i < 4; ++i) profile[size_t(i)] = char(size >> (24 - 8 * i));
  return profile;
}

// A profile of 255 full chunks whose header is in order but which holds no tags.
std::vector<std::string> HugeProfile() {
  std::string profile(255 * kLargestPiece, '\x5A');
  profile.replace(0, 128, std::string(128, '\0'));
  profile = WithSize(profile, profile.size());
  profile.replace(8, 4, std::string("\x04\x30\0\0", 4));
  profile.replace(12, 12, "mntrRGB XYZ ");
  profile.replace(36, 4, "acsp");
  profile.replace(128, 4, std::string(4, '\0'));  // no tags
  return IccSegments(profile);
}

struct BrokenCase {
  const char* name;
  std::function<std::vector<std::string>()> segments;
  const char* reason;
};

std::string Rgb() { return BuildProfile(ChartProfile::AdobeRgb); }

const BrokenCase kCases[] = {
    {"Truncated", [] { return IccSegments(Rgb().substr(0, 100)); }, "the profile is truncated"},
    {"LyingSize", [] { return IccSegments(WithSize(Rgb(), Rgb().size() + 1000)); }, "size field does not match"},
    {"MissingChunk", [] { auto s = IccSegments(Rgb(), 200); s.erase(s.begin() + 1); return s; },
     "profile chunks are missing"},
    {"DuplicateChunk", [] { auto s = IccSegments(Rgb(), 200); s.insert(s.begin() + 1, s[1]); return s; },
     "a profile chunk is repeated"},
    {"CountZero", [] { return std::vector<std::string>{IccSegment(1, 0, Rgb())}; }, "chunk count is inconsistent"},
    {"CmykOnRgbPicture", [] { return IccSegments(BuildProfile(ChartProfile::Cmyk)); },
     "the profile is for CMYK, the picture has 3 colour components"},
    {"Lab", [] { return IccSegments(BuildProfile(ChartProfile::Lab)); }, "colour space (Lab ) cannot be shown"},
    {"DeviceLink", [] { return IccSegments(BuildProfile(ChartProfile::DeviceLink)); },
     "the profile is a link profile"},
    {"HugeAndEmpty", HugeProfile, "lcms2 cannot convert with the profile"},
};

class BrokenProfile : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenProfile, DrawnAsSrgbSilentlyAndReported) {
  TempDir dir;
  const fs::path photo = dir / "broken.jpg";
  WriteBytes(photo, InsertAfterSoi(EncodeJpeg(SrgbChart(64, 48)), GetParam().segments()));
  const std::string managed = (dir / "managed.ppm").string();
  const std::string stored = (dir / "stored.ppm").string();
  CommandResult result = RunCli({"render", photo.string(), "--panel", "100x100", "--output", managed});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  RunCli({"render", photo.string(), "--panel", "100x100", "--output", stored, "--no-colour-management"});
  EXPECT_EQ(ReadBytes(managed), ReadBytes(stored));
  result = RunCli({"tags", photo.string()});
  EXPECT_EQ(result.err, "");
  EXPECT_NE(result.out.find(std::string("icc\tNot usable\tThe profile was not usable: ")), std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find(GetParam().reason), std::string::npos) << result.out;
}

INSTANTIATE_TEST_SUITE_P(Cases, BrokenProfile, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ColourCommands, TagsSummaryAndScreenProfile) {
  TempDir dir;
  const fs::path photo = dir / "p3.jpg";
  WriteBytes(photo, InsertAfterSoi(EncodeJpeg(SrgbChart(64, 48)), IccSegments(BuildProfile(ChartProfile::DisplayP3))));
  CommandResult result = RunCli({"tags", "--json", photo.string()});
  EXPECT_NE(result.out.find("\"icc\""), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("\"Chart profile\""), std::string::npos) << result.out;
  result = RunCli({"summary", "--json", photo.string()});
  EXPECT_NE(result.out.find("\"ColourProfile\": \"Chart profile\""), std::string::npos) << result.out;
  // The screen's profile comes from a file; one that is no RGB profile is refused.
  WriteBytes(dir / "p3.icc", BuildProfile(ChartProfile::DisplayP3));
  WriteBytes(dir / "cmyk.icc", BuildProfile(ChartProfile::Cmyk));
  result = RunCli({"render", photo.string(), "--panel", "100x100", "--screen-profile", (dir / "p3.icc").string()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  result = RunCli({"render", photo.string(), "--panel", "100x100", "--screen-profile", (dir / "cmyk.icc").string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("cmyk.icc"), std::string::npos) << result.err;
}

}  // namespace
