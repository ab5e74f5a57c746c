#include "support/OrientedJpeg.h"

#include <array>

#include "support/ExifBuilder.h"
#include "support/TestSupport.h"

namespace pixaldo::test {
namespace {

// The jpegtran operation that undoes orientation N (stores an upright
// picture as orientation N shows it): the inverse of the turn N stands for.
const std::array<std::vector<std::string>, 9> kStoreAs{{
    {},
    {},
    {"-flip", "horizontal"},
    {"-rotate", "180"},
    {"-flip", "vertical"},
    {"-transpose"},
    {"-rotate", "270"},
    {"-transverse"},
    {"-rotate", "90"},
}};

constexpr std::string_view kJfifPayload{"JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00", 14};

}  // namespace

std::string JpegTranOf(const std::string& jpeg, const std::vector<std::string>& switches,
                       const std::filesystem::path& scratch) {
  const std::filesystem::path input = scratch / "jpegtran-input.jpg";
  WriteBytes(input, jpeg);
  std::vector<std::string> argv{"jpegtran"};
  argv.insert(argv.end(), switches.begin(), switches.end());
  argv.push_back(input.string());
  CommandResult result = Run(argv);
  return result.exitCode == 0 ? result.out : std::string();
}

std::string MakeOrientedJpeg(const std::string& upright, int orientation, const std::filesystem::path& scratch) {
  std::vector<std::string> switches{"-copy", "none"};
  for (const std::string& word : kStoreAs.at(size_t(orientation))) switches.push_back(word);
  const std::string stored = StripMetadataSegments(JpegTranOf(upright, switches, scratch));

  const bool sideways = orientation >= 5;
  // Width and height from the upright picture's frame header.
  const std::string frame = PictureData(upright);
  const size_t sof = frame.find("\xFF\xC0");
  const int uprightHeight = (uint8_t(frame[sof + 5]) << 8) | uint8_t(frame[sof + 6]);
  const int uprightWidth = (uint8_t(frame[sof + 7]) << 8) | uint8_t(frame[sof + 8]);
  const int width = sideways ? uprightHeight : uprightWidth;
  const int height = sideways ? uprightWidth : uprightHeight;
  const std::string thumbnail = MakeJpeg({.width = width / 4, .height = height / 4, .writeJfif = false});

  constexpr uint32_t kIfd0 = 8, kExifIfd = kIfd0 + 2 + 2 * 12 + 4, kIfd1 = kExifIfd + 2 + 2 * 12 + 4,
                     kThumbnail = kIfd1 + 2 + 4 * 12 + 4;
  TiffBuilder tiff;
  const uint16_t value = uint16_t(orientation);
  tiff.Directory(kIfd0, {tiff.Short(0x0112, value), tiff.Long(0x8769, kExifIfd)}, kIfd1);
  tiff.Directory(kExifIfd, {tiff.Short(0xA002, uint16_t(width)), tiff.Long(0xA003, uint32_t(height))});
  tiff.Directory(kIfd1, {tiff.Short(0x0103, 6), tiff.Short(0x0112, value), tiff.Long(0x0201, kThumbnail),
                         tiff.Long(0x0202, uint32_t(thumbnail.size()))});
  tiff.Bytes(kThumbnail, thumbnail);
  return InsertAfterSoi(stored, {Segment(0xE0, kJfifPayload), tiff.ExifSegment()});
}

}  // namespace pixaldo::test
