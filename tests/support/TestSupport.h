#pragma once
// Helpers shared by the tests: the shared test photos, temporary folders,
// whole-file reads, hand-made JPEG files and running pixaldo-cli.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#define PIXALDO_NEEDS_SAMPLES() \
  if (!::pixaldo::test::HaveTestData()) GTEST_SKIP() << ::pixaldo::test::NoTestDataReason()

namespace pixaldo::test {

namespace fs = std::filesystem;

// The shared sample photos: the folder PIXALDO_TESTDATA names (environment),
// else the one set when the build was configured. A bare clone has none; the
// tests that need them start with PIXALDO_NEEDS_SAMPLES() and are skipped.
fs::path TestDataRoot();
bool HaveTestData();
std::string NoTestDataReason();
// A file or folder below the shared test photos, e.g. TestData("cameras/Nikon_D70.jpg").
fs::path TestData(const std::string& relative);
// A file or folder of the project's own sources.
fs::path SourcePath(const std::string& relative);

// A fresh folder under the system's temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }
  // Copies a shared test photo into this folder (under `name`, or its own name).
  fs::path Copy(const std::string& testDataRelative, const std::string& name = "") const;
  // Writes a photo the tests make (a file of support/Corpus.h) into this
  // folder, under `name` or its own name: for tests that need a camera-like
  // JPEG but no real camera's file.
  fs::path Make(const std::string& corpusName, const std::string& name = "") const;
  // Files in the folder, sorted by name (to check that nothing was left behind).
  std::vector<std::string> List() const;

 private:
  fs::path path_;
};

std::string ReadBytes(const fs::path& path);
void WriteBytes(const fs::path& path, std::string_view bytes);

// Options for a JPEG made by libjpeg from a colour pattern: red and green
// ramps, and checks in the blue channel.
struct JpegSpec {
  int width = 64;
  int height = 48;
  int hSampling = 2;  // luminance sampling factors: 2×2 gives 16×16 blocks
  int vSampling = 2;
  int quality = 90;
  bool progressive = false;
  bool writeJfif = true;  // APP0 JFIF header
  bool checks = true;     // 8-pixel checks in the blue channel; off: a smooth picture
};
std::string MakeJpeg(const JpegSpec& spec = {});

// One marker segment: 0xFF, marker, big-endian length, payload.
std::string Segment(uint8_t marker, std::string_view payload);
// Inserts segments right after the SOI marker of a JPEG byte string.
std::string InsertAfterSoi(const std::string& jpeg, const std::vector<std::string>& segments);
// Removes every APPn and COM segment before the first SOS.
std::string StripMetadataSegments(const std::string& jpeg);

// The bytes from the first DQT or SOF marker to the end: the picture proper.
std::string PictureData(const std::string& jpeg);

struct CommandResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};
// Runs a program with arguments (no shell), capturing both streams.
CommandResult Run(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {});
// Runs pixaldo-cli with LC_ALL=C.
CommandResult RunCli(const std::vector<std::string>& args);
// True when a program is on PATH.
bool HaveProgram(const std::string& name);

}  // namespace pixaldo::test
