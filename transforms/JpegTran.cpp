#include "transforms/JpegTran.h"

#include <array>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

#include "jpeg_structure/JpegObject.h"
#include "photo_view/JpegDecoder.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"

namespace pixaldo {
namespace {

constexpr const char* kProgramName = "jpegtran";

struct KindRow {
  TransformKind kind;
  std::array<const char*, 3> switches;  // after "-copy"; null ends the list
  const char* suffix;                   // null: the crop suffix setting
  bool trims;                           // takes "-trim" when asked
  bool rotaFlip;                        // overwritten under OverwriteRotaFlip
};

constexpr std::array<KindRow, 6> kKinds{{
    {TransformKind::Crop, {"all", "-crop", nullptr}, nullptr, false, false},
    {TransformKind::RotateLeft, {"all", "-rotate", "270"}, "_rot", true, true},
    {TransformKind::RotateRight, {"all", "-rotate", "90"}, "_rot", true, true},
    {TransformKind::FlipHorizontal, {"all", "-flip", "horizontal"}, "_flip", true, true},
    {TransformKind::FlipVertical, {"all", "-flip", "vertical"}, "_flip", true, true},
    {TransformKind::MetadataDelete, {"none", nullptr, nullptr}, "_nometa", false, false},
}};

const KindRow& RowOf(TransformKind kind) {
  for (const KindRow& row : kKinds)
    if (row.kind == kind) return row;
  throw std::invalid_argument("unknown transform kind " + std::to_string(int(kind)));
}

bool IsExecutableFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

fs::path ExecutableDirectory() {
  std::error_code error;
  fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path() : self.parent_path();
}

// What jpegtran is allowed: the decoder's own limits on pixels and scans, a
// memory ceiling and a time limit. A frame header can claim a picture of
// billions of pixels in a file of a few hundred bytes; jpegtran would try to
// allocate it.
constexpr uint64_t kMaxPixels = JpegDecoder::kDefaultPixelLimit;
constexpr int kMaxScans = JpegDecoder::kMaxScans;
constexpr uint64_t kMaxMemoryKilobytes = 4ull * 1024 * 1024;
constexpr std::chrono::seconds kTimeLimit{300};

// What the headers of a JPEG file claim: the frame's pixels and the number
// of scans, counting scans at most up to `stopAfter`. The marker segments are
// skipped by their lengths, the entropy-coded data byte by byte up to the
// next marker.
struct ClaimedSize {
  uint64_t pixels = 0;
  int scans = 0;
};

bool IsFrameHeader(uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

ClaimedSize ReadClaimedSize(std::string_view bytes, int stopAfter) {
  ClaimedSize claimed;
  auto byte = [&](size_t at) { return uint8_t(bytes[at]); };
  size_t at = 2;
  while (at + 4 <= bytes.size() && claimed.scans <= stopAfter) {
    if (byte(at) != 0xFF) break;
    const uint8_t marker = byte(at + 1);
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xD9) break;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      at += 2;
      continue;
    }
    if (IsFrameHeader(marker) && at + 9 <= bytes.size())
      claimed.pixels = uint64_t((byte(at + 5) << 8) | byte(at + 6)) * uint64_t((byte(at + 7) << 8) | byte(at + 8));
    at += 2 + ((size_t(byte(at + 2)) << 8) | byte(at + 3));
    if (marker != 0xDA) continue;
    ++claimed.scans;
    while (at + 1 < bytes.size() && !(byte(at) == 0xFF && byte(at + 1) != 0 && (byte(at + 1) & 0xF8) != 0xD0)) ++at;
  }
  return claimed;
}

// Refuses, before jpegtran runs, a picture larger or with more scans than
// the photo view would show. Anything else jpegtran judges itself.
void CheckLimits(const fs::path& source, std::string_view bytes) {
  const ClaimedSize claimed = ReadClaimedSize(bytes, kMaxScans);
  if (claimed.pixels > kMaxPixels)
    throw FileError(source, "the picture has " + std::to_string(claimed.pixels) + " pixels, more than the limit of " +
                                std::to_string(kMaxPixels) + "; it was not transformed");
  if (claimed.scans > kMaxScans)
    throw FileError(source, "the file has more than the limit of " + std::to_string(kMaxScans) +
                                " scans; it was not transformed");
}

bool IsDecimal(std::string_view text) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

fs::path FindJpegTran() {
  fs::path directory = ExecutableDirectory();
  if (!directory.empty() && IsExecutableFile(directory / kProgramName)) return directory / kProgramName;
  const char* path = std::getenv("PATH");
  std::string_view entries = path ? path : "";
  while (!entries.empty()) {
    std::size_t colon = entries.find(':');
    std::string_view entry = entries.substr(0, colon);
    entries = colon == std::string_view::npos ? std::string_view() : entries.substr(colon + 1);
    if (entry.empty()) continue;  // an empty entry would mean the current directory: never trusted
    fs::path candidate = fs::path(entry) / kProgramName;
    if (IsExecutableFile(candidate)) {
      std::error_code error;
      fs::path absolute = fs::absolute(candidate, error);
      return error ? candidate : absolute;
    }
  }
  return {};
}

bool IsCropGeometry(std::string_view geometry) {
  std::size_t x = geometry.find('x');
  if (x == std::string_view::npos) return false;
  std::size_t plus1 = geometry.find('+', x);
  if (plus1 == std::string_view::npos) return false;
  std::size_t plus2 = geometry.find('+', plus1 + 1);
  if (plus2 == std::string_view::npos) return false;
  return IsDecimal(geometry.substr(0, x)) && IsDecimal(geometry.substr(x + 1, plus1 - x - 1)) &&
         IsDecimal(geometry.substr(plus1 + 1, plus2 - plus1 - 1)) && IsDecimal(geometry.substr(plus2 + 1));
}

TJpegTran::TJpegTran() : transformer_(FindJpegTran()) {}

TJpegTran::TJpegTran(fs::path transformer) : transformer_(std::move(transformer)) {
  std::error_code error;
  if (!transformer_.empty()) {
    fs::path absolute = fs::absolute(transformer_, error);
    if (!error) transformer_ = absolute;
  }
}

std::vector<std::string> TJpegTran::TransformArguments(TransformKind kind, bool trim) {
  const KindRow& row = RowOf(kind);
  std::vector<std::string> arguments{"-copy"};
  for (const char* word : row.switches)
    if (word) arguments.emplace_back(word);
  if (trim && row.trims) arguments.emplace_back("-trim");
  return arguments;
}

std::vector<std::string> TJpegTran::CropArguments(std::string_view geometry) {
  std::vector<std::string> arguments = TransformArguments(TransformKind::Crop, false);
  arguments.emplace_back(geometry);
  return arguments;
}

std::string TJpegTran::Suffix(TransformKind kind, std::string_view cropSuffix) {
  const KindRow& row = RowOf(kind);
  return row.suffix ? std::string(row.suffix) : std::string(cropSuffix);
}

fs::path TJpegTran::ProposedName(TransformKind kind, const fs::path& path, std::string_view cropSuffix) {
  std::string name = path.filename().native();
  std::size_t dot = name.find_last_of('.');
  std::string suffix = Suffix(kind, cropSuffix);
  if (dot == std::string::npos)
    name += suffix;
  else
    name.insert(dot, suffix);
  return path.parent_path() / name;
}

bool TJpegTran::OverwritesSource(TransformKind kind, bool overwriteCrop, bool overwriteRotaFlip) {
  if (kind == TransformKind::Crop) return overwriteCrop;
  return RowOf(kind).rotaFlip && overwriteRotaFlip;
}

std::string TJpegTran::RunToMemory(const fs::path& input, const std::vector<std::string>& arguments) const {
  if (!JpegTranAvailable()) throw FileError(input, "jpegtran was not found");
  // Absolute paths, so that no name can be taken for a switch.
  std::vector<std::string> argv{transformer_.native(), "-maxmemory", std::to_string(kMaxMemoryKilobytes),
                                "-maxscans", std::to_string(kMaxScans)};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  argv.push_back(fs::absolute(input).native());
  ProcessOptions options;
  options.limit = kTimeLimit;
  options.captureOutput = true;
  ProcessResult result = RunProcess(argv, options);
  if (!result.Succeeded()) throw FileError(input, "jpegtran failed: " + result.Describe());
  return std::move(result.output);
}

void TJpegTran::RunJpegTran(const fs::path& input, const fs::path& target,
                            const std::vector<std::string>& arguments) const {
  Transform(input, target, false, false, arguments);
}

fs::path TJpegTran::Transform(const fs::path& source, const fs::path& target, bool keepDate, bool refreshThumbnail,
                              const std::vector<std::string>& arguments) const {
  // Held until the result is in place: no other writer may change the source
  // between jpegtran's read and the replacement.
  const PhotoLock lock(source);
  std::optional<FileTime> sourceDate = GetFileDate(source);
  if (!sourceDate) throw FileError(source, "the file does not exist");
  CheckLimits(source, ReadWholeFile(source));  // also refuses pipes, devices and folders
  // jpegtran's output is kept in memory; it replaces the target (thumbnail
  // and all) in a single atomic write, only when every step has succeeded.
  std::string transformed = RunToMemory(source, arguments);
  note_.clear();
  if (refreshThumbnail) {
    try {
      TJpegObject object(std::move(transformed), target);
      if (object.RegenerateThumbnail() == TJpegObject::ThumbnailRefresh::Removed)
        note_ = "no new EXIF thumbnail fits into the EXIF block; the old one was removed";
      transformed = object.Bytes();
    } catch (const FileError& failure) {
      throw FileError(target, "cannot make the new thumbnail: " + failure.reason());
    }
  }
  WriteFileAtomic(target, transformed, keepDate ? sourceDate : std::nullopt);
  return target;
}

}  // namespace pixaldo
