#include "colour/ColourSource.h"

#include <array>
#include <fstream>

#include "colour/IccChunks.h"
#include "exif/ExifColourSpace.h"
#include "exif/JpegSegmentWalk.h"

namespace pixaldo {
namespace {

constexpr size_t kClassPosition = 12;
constexpr size_t kSpacePosition = 16;

// Profile classes that describe a device's colours (others convert between
// spaces or name colours, and cannot stand for a picture's pixels).
constexpr std::array<std::string_view, 4> kPictureClasses{"mntr", "scnr", "prtr", "spac"};

struct SpaceRow {
  std::string_view signature;
  int components;
  std::string_view name;
};
constexpr std::array<SpaceRow, 3> kPictureSpaces{{{"RGB ", 3, "RGB"}, {"CMYK", 4, "CMYK"}, {"GRAY", 1, "grey"}}};

int FrameComponents(std::string_view jpeg) {
  int components = 0;
  WalkJpegSegments(jpeg, [&](uint8_t marker, size_t, std::string_view payload) {
    if (!IsFrameHeaderMarker(marker)) return true;
    if (payload.size() >= 6) components = uint8_t(payload[5]);
    return false;
  });
  return components;
}

// Why the profile cannot stand for pixels of that many components; empty
// when it can.
std::string Misfit(std::string_view profile, int components) {
  const std::string_view deviceClass = profile.substr(kClassPosition, 4);
  bool pictureClass = false;
  for (std::string_view name : kPictureClasses) pictureClass |= deviceClass == name;
  if (!pictureClass) return "the profile is a " + std::string(deviceClass) + " profile, not a colour space";
  const std::string_view space = profile.substr(kSpacePosition, 4);
  for (const SpaceRow& row : kPictureSpaces)
    if (row.signature == space)
      return row.components == components ? std::string()
                                          : "the profile is for " + std::string(row.name) + ", the picture has " +
                                                std::to_string(components) + " colour components";
  return "the profile's colour space (" + std::string(space) + ") cannot be shown";
}

// SOI and the segments after it up to the first scan, without the picture data.
std::string ReadHead(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string head(2, '\0');
  if (!in.read(head.data(), 2) || !StartsWithSoi(head)) return {};
  char marker[4];
  while (in.read(marker, 4)) {
    const uint8_t code = uint8_t(marker[1]);
    if (uint8_t(marker[0]) != 0xFF || code == 0xDA || code == 0xD9 || code == 0xFF || IsStandaloneMarker(code)) break;
    const size_t length = size_t(uint8_t(marker[2])) << 8 | uint8_t(marker[3]);
    if (length < 2) break;
    const size_t at = head.size();
    head.append(marker, 4);
    head.resize(at + 2 + length);
    if (!in.read(head.data() + at + 4, std::streamsize(length - 2))) {
      head.resize(at + 4 + size_t(in.gcount()));
      break;
    }
  }
  return head;
}

}  // namespace

ColourSource ReadFileColourSource(const std::filesystem::path& file) { return ReadColourSource(ReadHead(file)); }

ColourSource ReadColourSource(std::string_view jpeg, int components) {
  ColourSource source;
  source.components = components > 0 ? components : FrameComponents(jpeg);
  IccAssembly icc = AssembleIccProfile(jpeg);
  if (icc.present) {
    std::string problem = icc.Usable() ? Misfit(icc.profile, source.components) : icc.problem;
    source.kind = problem.empty() ? ColourSourceKind::Embedded : ColourSourceKind::NotUsable;
    source.problem = std::move(problem);
    if (!icc.profile.empty()) source.profile = std::make_shared<const std::string>(std::move(icc.profile));
    if (source.kind == ColourSourceKind::Embedded) return source;
  }
  if (source.components != 3) return source;
  switch (ReadExifColourSpace(jpeg)) {
    case ExifColourSpace::Srgb:
      if (source.kind == ColourSourceKind::Untagged) source.kind = ColourSourceKind::ExifSrgb;
      break;
    case ExifColourSpace::AdobeRgb:
      // A broken profile gives way to the EXIF hint, which then is used.
      source.kind = ColourSourceKind::ExifAdobeRgb;
      break;
    default:
      break;
  }
  return source;
}

bool ColourTarget::operator==(const ColourTarget& other) const {
  if (enabled != other.enabled || intent != other.intent || blackPointCompensation != other.blackPointCompensation)
    return false;
  if (!screenProfile || !other.screenProfile) return !screenProfile && !other.screenProfile;
  return screenProfile == other.screenProfile || *screenProfile == *other.screenProfile;
}

}  // namespace pixaldo
