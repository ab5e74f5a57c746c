// Damaged, hostile, mutated and truncated files: every read ends, stays
// inside the bytes it was given and leaves consistent entries behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "exif/ExifData.h"
#include "iptc/IptcData.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

namespace fs = std::filesystem;

// Deterministic pseudo-random numbers (the same sequence on every platform).
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return uint32_t(state_ >> 11);
  }
  size_t Below(size_t n) { return n ? Next() % n : 0; }

 private:
  uint64_t state_;
};

// What the metadata window and the photo record do with a container.
void UseLikeTheViewer(TimgData& data) {
  if (data.HasComment()) (void)data.GetComment();
  if (data.ExifInfo) {
    TImageInfo& info = *data.ExifInfo;
    const size_t segment = data.ExifSegment ? data.ExifSegment->Bytes.size() : 0;
    for (const TTagEntry& t : info.Tags) {
      ASSERT_GE(t.ValuePos, 0);
      ASSERT_LE(size_t(t.ValuePos), segment + 8);  // an in-entry value may lie at most at the block's end
      if (t.Group == 0 && t.ValuePos > 0) ASSERT_EQ(size_t(t.MaxSize), t.RawValue.size());
    }
    TTagEntry e;
    info.ResetTagCursor();
    while (info.NextTag(0, e)) {
    }
    info.ResetTagCursor();
    while (info.NextTag(1, e)) {
    }
    for (const char* name : {"FocalLength", "FNumber", "ExposureTime", "Flash", "ISOSpeedRatings", "JpegQual"}) {
      (void)info.IntegerOf(name);
      (void)info.ValueOf(name);
    }
    if (data.HasThumbnail()) {
      info.ParseThumbnail();
      for (const TTagEntry& t : info.ThumbTags) ASSERT_LE(size_t(t.ValuePos), segment + 8);
    }
  }
  data.ParseIptc();
}

void ReadJpegBytes(const std::string& bytes) {
  std::istringstream in(bytes);
  TimgData data(255);
  data.ReadJpegSegments(in);
  UseLikeTheViewer(data);
}

void ReadTiffBytes(const std::string& bytes) {
  TimgData data(255);
  data.ReadTiffHeader(bytes);
  UseLikeTheViewer(data);
}

std::vector<fs::path> FilesIn(const std::string& folder) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(test::TestData(folder)))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(ExifRobustnessTest, DamagedAndHostileFilesAsJpegAndTiff) {
  PIXALDO_NEEDS_SAMPLES();
  test::TempDir dir;
  size_t count = 0;
  for (const char* folder : {"damaged", "hostile"}) {
    for (const fs::path& file : FilesIn(folder)) {
      SCOPED_TRACE(file.string());
      fs::copy_file(file, dir / "input.jpg", fs::copy_options::overwrite_existing);
      fs::copy_file(file, dir / "input.tif", fs::copy_options::overwrite_existing);
      TimgData data(255);
      data.ReadFile(dir / "input.jpg");
      UseLikeTheViewer(data);
      data.ReadFile(dir / "input.tif");
      UseLikeTheViewer(data);
      ++count;
    }
  }
  EXPECT_GT(count, 200u);
}

// Files with every kind of maker note, GPS and thumbnail directories.
const char* const kSeedFiles[] = {
    "maker/Canon.jpg",         "maker/Casio.jpg",           "maker/FujiFilm.jpg",      "maker/Minolta.jpg",
    "maker/Nikon.jpg",         "maker/Olympus.jpg",         "maker/Sanyo.jpg",         "cameras/nikon-e950.jpg",
    "cameras/et_NikonD70.jpg", "cameras/DSCN0010.jpg",      "cameras/et_GPS.jpg",      "cameras/et_PhotoMechanic.jpg",
    "cameras/Canon_40D.jpg",   "cameras/et_OlympusE1.jpg",  "iptc/IPTC.jpg",
};

// The bytes up to the start of the compressed data (all the reader looks at).
std::string Head(const std::string& jpeg) {
  size_t sos = jpeg.find("\xFF\xDA");
  return jpeg.substr(0, sos == std::string::npos ? jpeg.size() : sos + 16);
}

TEST(ExifRobustnessTest, MutatedFiles) {
  PIXALDO_NEEDS_SAMPLES();
  Random random(20260);
  for (const char* seed : kSeedFiles) {
    SCOPED_TRACE(seed);
    const std::string original = Head(test::ReadBytes(test::TestData(seed)));
    for (int round = 0; round < 200; ++round) {
      std::string bytes = original;
      const size_t edits = 1 + random.Below(6);
      for (size_t e = 0; e < edits; ++e) {
        const size_t at = random.Below(bytes.size());
        switch (random.Below(4)) {
          case 0: bytes[at] = char(random.Next()); break;
          case 1: bytes[at] = char(bytes[at] ^ (1 << random.Below(8))); break;
          case 2:  // a large or negative 32-bit field
            for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i) bytes[at + i] = char(0xFF - random.Below(2));
            break;
          default:  // a small offset or count
            for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i) bytes[at + i] = i == 3 ? char(random.Below(64)) : 0;
            break;
        }
      }
      ReadJpegBytes(bytes);
      if (round % 8 == 0) ReadTiffBytes(bytes.substr(std::min<size_t>(bytes.size(), 12)));  // the TIFF block itself
    }
  }
}

TEST(ExifRobustnessTest, TruncatedFiles) {
  PIXALDO_NEEDS_SAMPLES();
  for (const char* seed : kSeedFiles) {
    SCOPED_TRACE(seed);
    const std::string original = Head(test::ReadBytes(test::TestData(seed)));
    const size_t step = std::max<size_t>(1, original.size() / 150);
    for (size_t length = 0; length < original.size(); length += step) {
      ReadJpegBytes(original.substr(0, length));
      if (length > 12 && length % (step * 10) == 0) ReadTiffBytes(original.substr(12, length - 12));
    }
  }
}

TEST(ExifRobustnessTest, TiffFilesMutated) {
  PIXALDO_NEEDS_SAMPLES();
  Random random(77);
  for (const fs::path& file : FilesIn("tiff")) {
    const std::string original = test::ReadBytes(file);
    for (int round = 0; round < 60; ++round) {
      std::string bytes = original;
      for (int e = 0; e < 4; ++e) bytes[random.Below(bytes.size())] = char(random.Next());
      // Often hit the header and the directory, where the offsets are.
      bytes[4 + random.Below(4)] = char(random.Next());
      ReadTiffBytes(bytes);
    }
  }
}

}  // namespace
}  // namespace pixaldo
