#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::RunCli;

struct Ppm {
  int width = 0;
  int height = 0;
  std::string pixels;
};

Ppm ReadPpm(const std::filesystem::path& path) {
  const std::string bytes = test::ReadBytes(path);
  std::istringstream in(bytes);
  std::string magic;
  int maxValue = 0;
  Ppm ppm;
  in >> magic >> ppm.width >> ppm.height >> maxValue;
  in.get();
  EXPECT_EQ(magic, "P6");
  EXPECT_EQ(maxValue, 255);
  ppm.pixels = bytes.substr(static_cast<size_t>(in.tellg()));
  EXPECT_EQ(ppm.pixels.size(), size_t(ppm.width) * ppm.height * 3);
  return ppm;
}

// Mean absolute difference of each channel.
std::array<double, 3> MeanDifference(const Ppm& a, const Ppm& b) {
  std::array<double, 3> sum{};
  for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i)
    sum[i % 3] += std::abs(int(uint8_t(a.pixels[i])) - int(uint8_t(b.pixels[i])));
  for (double& s : sum) s /= static_cast<double>(a.pixels.size() / 3);
  return sum;
}

// A made photo of a phone camera's size, 3264 × 2448.
std::string PhonePhoto(const test::TempDir& dir) {
  test::WriteBytes(dir / "phone.jpg", test::MakeJpeg({.width = 3264, .height = 2448, .checks = false}));
  return (dir / "phone.jpg").string();
}

TEST(RenderCommand, PrintsTheFit) {
  test::TempDir dir;
  const std::string photo = PhonePhoto(dir);
  auto result = RunCli({"render", photo, "--panel", "1004x704"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "control 700\xC3\x97" "525 left 152 top 89 zoom 21%\n");
  result = RunCli({"render", photo, "--panel", "1004x704", "--no-square"});
  EXPECT_EQ(result.out, "control 1000\xC3\x97" "750 left 2 top -23 zoom 31%\n");
}

TEST(RenderCommand, FiltersDifferAndLanczosMatchesAReferenceDownscale) {
  test::TempDir dir;
  const std::string photo = PhonePhoto(dir);
  std::vector<Ppm> shown;
  for (int filter = 0; filter < 5; ++filter) {
    const std::string out = (dir / ("f" + std::to_string(filter) + ".ppm")).string();
    const auto result = RunCli({"render", photo, "--panel", "1004x704", "--filter", std::to_string(filter), "--output", out});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    Ppm ppm = ReadPpm(out);
    EXPECT_EQ(ppm.width, 700);
    EXPECT_EQ(ppm.height, 525);
    for (const Ppm& other : shown) EXPECT_NE(ppm.pixels, other.pixels) << "filter " << filter;
    shown.push_back(std::move(ppm));
  }
  if (!test::HaveProgram("convert")) GTEST_SKIP() << "ImageMagick is missing";
  const std::string reference = (dir / "reference.ppm").string();
  ASSERT_EQ(test::Run({"convert", photo, "-filter", "Lanczos", "-resize", "700x525!", reference}).exitCode, 0);
  for (double difference : MeanDifference(shown[4], ReadPpm(reference))) EXPECT_LT(difference, 3.0);
}

TEST(RenderCommand, ErrorsAndUsage) {
  test::TempDir dir;
  test::WriteBytes(dir / "bad.jpg", "no picture");
  auto result = RunCli({"render", (dir / "bad.jpg").string(), "--panel", "100x100"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("bad.jpg"), std::string::npos);
  EXPECT_EQ(RunCli({"render", (dir / "missing.jpg").string(), "--panel", "100x100"}).exitCode, 1);
  const std::string photo = dir.Make("exif-intel.jpg").string();
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"render", photo},
           {"render", photo, "--panel", "100"},
           {"render", photo, "--panel", "0x100"},
           {"render", photo, "--panel", "100x100", "--filter", "5"},
           {"render", photo, "--panel", "100x100", "--fast"}}) {
    EXPECT_EQ(RunCli(args).exitCode, 2) << args.back();
  }
}

}  // namespace
}  // namespace pixaldo
