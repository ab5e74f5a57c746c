#include "transforms/JpegTran.h"

#include <array>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "exif/JpegSegmentWalk.h"
#include "jpeg_structure/JpegObject.h"
#include "photo_view/JpegDecoder.h"
#include "photo_view/Resampler.h"
#include "platform/FileError.h"
#include "platform/FileReader.h"
#include "platform/FileSystem.h"
#include "platform/PhotoFile.h"
#include "platform/Process.h"

namespace pixaldo {
namespace {

constexpr const char* kProgramName = "jpegtran";

struct KindRow {
  TransformKind kind;
  const char* copy;    // what "-copy" keeps
  Orientation turn;    // the turn of the picture the command makes
  const char* suffix;  // null: the crop suffix setting
  bool trims;          // takes "-trim" when asked
  bool rotaFlip;       // overwritten under OverwriteRotaFlip
};

constexpr std::array<KindRow, 7> kKinds{{
    {TransformKind::Crop, "all", Orientation::Upright, nullptr, false, false},
    {TransformKind::RotateLeft, "all", Orientation::Rotate270, "_rot", true, true},
    {TransformKind::RotateRight, "all", Orientation::Rotate90, "_rot", true, true},
    {TransformKind::FlipHorizontal, "all", Orientation::MirrorLeftRight, "_flip", true, true},
    {TransformKind::FlipVertical, "all", Orientation::MirrorTopBottom, "_flip", true, true},
    {TransformKind::MetadataDelete, "none", Orientation::Upright, "_nometa", false, false},
    {TransformKind::AutoRotate, "all", Orientation::Upright, "_rot", true, true},
}};

std::vector<std::string> Switches(const KindRow& row, Orientation turn, bool trim) {
  std::vector<std::string> arguments{"-copy", row.copy};
  for (std::string& word : JpegTranSwitches(turn)) arguments.push_back(std::move(word));
  if (row.kind == TransformKind::Crop) arguments.emplace_back("-crop");
  if (trim && row.trims && turn != Orientation::Upright) arguments.emplace_back("-trim");
  return arguments;
}

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

// jpegtran holds the picture's coefficients twice, about 6 bytes a pixel,
// in memory it touches page by page; its allocator is asked for transparent
// huge pages, which saves it most of those page faults (12 MP: about 18,000
// of them become 3,000). Settings of the user's own are kept.
std::string LargePagesSetting() {
  const char* own = std::getenv("GLIBC_TUNABLES");
  return std::string("GLIBC_TUNABLES=") + (own && *own ? std::string(own) + ":" : "") + "glibc.malloc.hugetlb=1";
}

// What the headers of a JPEG file claim: the frame's pixels and the number
// of scans, counting scans at most up to `stopAfter`. The marker segments are
// skipped by their lengths, the entropy-coded data up to the next marker.
struct ClaimedSize {
  uint64_t pixels = 0;
  int scans = 0;
  int64_t end = 0;  // where the picture data ends, after EOI; 0 when the walk stopped before
};

// A file read front to back in blocks, for a walk that looks at each byte
// at most once without holding the whole file.
class BlockReader {
 public:
  explicit BlockReader(const FileReader& file) : file_(file), block_(new char[kBlock]) {}

  // The byte at `at`; -1 beyond the end.
  int Byte(int64_t at) { return Load(at) ? uint8_t(block_[at - start_]) : -1; }
  // The position of the first 0xFF at or after `at`; the file size when none.
  int64_t FindFF(int64_t at) {
    while (Load(at)) {
      const char* from = block_.get() + (at - start_);
      const void* hit = std::memchr(from, 0xFF, size_t(start_ + length_ - at));
      if (hit) return at + (static_cast<const char*>(hit) - from);
      at = start_ + length_;
    }
    return file_.Size();
  }

 private:
  static constexpr size_t kBlock = 256 * 1024;

  bool Load(int64_t at) {
    if (at >= start_ && at < start_ + length_) return true;
    if (at < 0 || at >= file_.Size()) return false;
    start_ = at;
    length_ = int64_t(file_.ReadAt(at, block_.get(), kBlock));
    return length_ > 0;
  }

  const FileReader& file_;
  std::unique_ptr<char[]> block_;
  int64_t start_ = 0, length_ = 0;
};

ClaimedSize ReadClaimedSize(BlockReader& in, int stopAfter) {
  ClaimedSize claimed;
  int64_t at = 2;
  while (in.Byte(at + 3) >= 0 && claimed.scans <= stopAfter) {
    if (in.Byte(at) != 0xFF) break;
    const int marker = in.Byte(at + 1);
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xD9) {
      claimed.end = at + 2;
      break;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      at += 2;
      continue;
    }
    if (IsFrameHeaderMarker(uint8_t(marker)) && in.Byte(at + 8) >= 0)
      claimed.pixels = uint64_t((in.Byte(at + 5) << 8) | in.Byte(at + 6)) *
                       uint64_t((in.Byte(at + 7) << 8) | in.Byte(at + 8));
    at += 2 + ((in.Byte(at + 2) << 8) | in.Byte(at + 3));
    if (marker != 0xDA) continue;
    if (++claimed.scans > stopAfter) break;
    // The scan's data ends at the first marker that is neither a stuffed
    // zero nor a restart marker.
    for (;;) {
      at = in.FindFF(at);
      const int next = in.Byte(at + 1);
      if (next < 0 || (next != 0 && (next & 0xF8) != 0xD0)) break;
      ++at;
    }
  }
  return claimed;
}

// Refuses a picture larger or with more scans than the photo view would
// show. With `countScans` false only the headers before the first scan are
// read, for the frame's size. Anything else jpegtran judges itself.
void CheckLimits(const PhotoFile& photo, bool countScans) {
  BlockReader in(photo.Reader());
  const ClaimedSize claimed = ReadClaimedSize(in, countScans ? kMaxScans : 0);
  if (claimed.pixels > kMaxPixels)
    throw FileError(photo.Path(), "the picture has " + std::to_string(claimed.pixels) +
                                      " pixels, more than the limit of " + std::to_string(kMaxPixels) +
                                      "; it was not transformed");
  if (claimed.scans > kMaxScans)
    throw FileError(photo.Path(), "the file has more than the limit of " + std::to_string(kMaxScans) +
                                      " scans; it was not transformed");
}

// What follows the picture data: metadata other programs append after EOI
// (FotoStation's and Photo Mechanic's records, a phone's video). Such
// trailers are found from the file's end, so they stay valid behind the
// transformed picture. Empty for a file that ends with EOI, as nearly all
// do; otherwise the scans are walked to their EOI.
std::string ReadTrailer(const PhotoFile& photo) {
  const FileReader& file = photo.Reader();
  if (file.Size() < 4 || file.ReadAt(file.Size() - 2, 2) == "\xFF\xD9") return {};
  BlockReader in(file);
  const int64_t end = ReadClaimedSize(in, INT_MAX).end;
  return end > 0 ? file.ReadAt(end, size_t(file.Size() - end)) : std::string();
}

// Whether jpegtran's switches keep the file's metadata ("-copy none" keeps none).
bool CopiesMetadata(const std::vector<std::string>& arguments) {
  for (size_t i = 0; i + 1 < arguments.size(); ++i)
    if (arguments[i] == "-copy") return arguments[i + 1] != "none";
  return true;
}

// The marker segments from SOI up to and including the first SOS: all that
// the orientation, the frame's size and the thumbnail are read from. Empty
// for a file that does not start with SOI.
std::string ReadHead(const PhotoFile& photo) {
  const std::vector<TJpegSegment> table = TJpegObject::ReadSegmentTable(photo.Reader());
  if (table.empty() || table.front().Marker != TJpegObject::kSoi) return {};
  int64_t end = 2;
  for (const TJpegSegment& segment : table) {
    if (segment.Marker == TJpegObject::kData) break;
    end = segment.Offset + segment.Size;
  }
  return photo.Reader().ReadAt(0, size_t(end));
}

// jpegtran would cut a frame reaching beyond the picture short without a
// word: a frame that does not lie inside the picture as the coordinates see
// it (upright, or as stored) is refused.
void CheckCropInside(const PhotoFile& photo, std::string_view head, std::string_view geometry, Orientation turn) {
  unsigned width = 0, height = 0, x = 0, y = 0;
  std::sscanf(std::string(geometry).c_str(), "%ux%u+%u+%u", &width, &height, &x, &y);
  JpegSize size = JpegDecoder().ReadSize(head, photo.Path());
  if (SwapsSides(turn)) std::swap(size.width, size.height);
  if (width == 0 || height == 0 || x + width > unsigned(size.width) || y + height > unsigned(size.height))
    throw FileError(photo.Path(), "the crop " + std::string(geometry) + " lies outside the picture (" +
                                      std::to_string(size.width) + "\xC3\x97" + std::to_string(size.height) + ")");
}

// The most jpegtran may write for a source of `size` bytes: the size its
// output file is limited to, and the length of the mapping it is read
// through. A lossless transform writes about as much as it reads; the room is
// eight times that and more, yet small enough not to press on a limit of
// address space.
size_t OutputLimitFor(uint64_t size) {
  constexpr uint64_t kFloor = 64 << 20, kCeiling = uint64_t(1) << 31;
  return size_t(std::min(kCeiling, kFloor + std::min(size, kCeiling) * 8));
}

// jpegtran's output, written into an anonymous file in memory that is
// mapped and read in place as it grows: nothing is copied, and jpegtran is
// never woken by a reader. The thumbnail can so be decoded from it on a
// second thread while jpegtran still writes.
class GrowingOutput final : public JpegByteStream {
 public:
  GrowingOutput(const fs::path& source, size_t limit)
      : fd_(::memfd_create("jpegtran-output", MFD_CLOEXEC)), limit_(limit) {
    void* mapped = fd_ < 0 ? MAP_FAILED : ::mmap(nullptr, limit_, PROT_READ, MAP_SHARED, fd_, 0);
    if (mapped == MAP_FAILED) {
      const int error = errno;
      if (fd_ >= 0) ::close(fd_);
      throw FileError(source, std::string("cannot make room for jpegtran's output: ") + std::strerror(error));
    }
    base_ = static_cast<const char*>(mapped);
  }
  ~GrowingOutput() override {
    ::munmap(const_cast<char*>(base_), limit_);
    ::close(fd_);
  }
  GrowingOutput(const GrowingOutput&) = delete;
  GrowingOutput& operator=(const GrowingOutput&) = delete;

  // The file jpegtran writes into, and how large it may grow.
  int File() const { return fd_; }
  size_t Limit() const { return limit_; }

  // jpegtran has ended (also after a failure): what the file holds now is all.
  void Finish() {
    {
      const std::lock_guard lock(mutex_);
      finished_ = true;
    }
    ended_.notify_all();
  }

  // On the decoding thread, the only reader.
  std::string_view Next() override {
    for (;;) {
      bool finished;
      {
        const std::lock_guard lock(mutex_);
        finished = finished_;
      }
      // The size is looked at after the flag: bytes written before the end
      // are then always seen.
      const size_t size = Size();
      if (size > read_) {
        const std::string_view bytes(base_ + read_, size - read_);
        read_ = size;
        return bytes;
      }
      if (finished) return {};
      std::unique_lock lock(mutex_);
      ended_.wait_for(lock, kLookAgain, [this] { return finished_; });
    }
  }

  // Everything jpegtran wrote, once it has ended; valid while this object is.
  std::string_view All() const { return {base_, Size()}; }

 private:
  static constexpr auto kLookAgain = std::chrono::milliseconds(1);

  size_t Size() const {
    struct stat info {};
    return ::fstat(fd_, &info) == 0 ? std::min(size_t(info.st_size), limit_) : 0;
  }

  int fd_;
  size_t limit_;
  const char* base_ = nullptr;
  size_t read_ = 0;
  std::mutex mutex_;
  std::condition_variable ended_;
  bool finished_ = false;
};

// The new thumbnail's picture, decoded and scaled from jpegtran's output on
// a second thread as the output arrives. The output must be finished before
// the picture is taken or the object destroyed.
class ThumbnailAhead {
 public:
  ThumbnailAhead(GrowingOutput& output, int side, const fs::path& name)
      : output_(output), thread_([this, side, name] {
          Resampler::Prepare();  // while jpegtran reads: its output comes only at the end
          try {
            picture_ = TJpegObject::ScaleForThumbnail(output_, side, name);
          } catch (...) {
            picture_.image = {};  // made again, with its error, on the calling thread
          }
        }) {}
  ~ThumbnailAhead() {
    output_.Finish();
    if (thread_.joinable()) thread_.join();
  }
  ThumbnailAhead(const ThumbnailAhead&) = delete;
  ThumbnailAhead& operator=(const ThumbnailAhead&) = delete;

  const TJpegObject::ThumbnailPicture* Take() {
    thread_.join();
    return picture_.image.Empty() ? nullptr : &picture_;
  }

 private:
  GrowingOutput& output_;
  TJpegObject::ThumbnailPicture picture_;
  std::thread thread_;
};

// The side of the thumbnail the transform's result gets, read from the
// source's EXIF block (jpegtran copies it); nothing when none is made.
std::optional<int> ThumbnailSideOf(std::string_view head, const fs::path& source) {
  try {
    return TJpegObject(std::string(head) + "\xFF\xD9", source).RegeneratedThumbnailSide();
  } catch (const FileError&) {
    return std::nullopt;
  }
}

bool IsDecimal(std::string_view text) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// jpegtran's output as the target gets it: with the thumbnail made again
// (from `ready` when it fits, else from the picture in `jpeg`) and the EXIF
// values the turn made stale corrected. `note` tells of a thumbnail that
// had to go.
std::string Finished(std::string jpeg, bool refreshThumbnail, const TJpegObject::ThumbnailPicture* ready,
                     std::optional<Orientation> orientation, const fs::path& target, std::string& note) {
  if (refreshThumbnail) {
    try {
      TJpegObject object(std::move(jpeg), target);
      switch (object.RegenerateThumbnail(ready)) {
        case TJpegObject::ThumbnailRefresh::Removed:
          note = "no new EXIF thumbnail fits into the EXIF block; the old one was removed";
          break;
        case TJpegObject::ThumbnailRefresh::Kept:
          note = "the EXIF thumbnail does not lie inside the EXIF block; it was kept as it was";
          break;
        default:
          break;
      }
      jpeg = object.TakeBytes();
    } catch (const FileError& failure) {
      throw FileError(target, "cannot make the new thumbnail: " + failure.reason());
    }
  }
  UpdateExifAfterTurn(jpeg, orientation);
  return jpeg;
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
  return Switches(row, row.turn, trim);
}

JpegTranPlan TJpegTran::Plan(TransformKind kind, Orientation stored, bool asShown, bool trim,
                              std::string_view geometry) {
  const KindRow& row = RowOf(kind);
  JpegTranPlan plan;
  if (kind == TransformKind::MetadataDelete) {
    plan.arguments = Switches(row, row.turn, false);
    return plan;
  }
  if (kind == TransformKind::AutoRotate && stored == Orientation::Upright) {
    plan.unchanged = true;
    return plan;
  }
  Orientation turn = row.turn;
  Orientation after = Orientation::Upright;
  if (asShown || kind == TransformKind::AutoRotate) {
    turn = Compose(stored, row.turn);
  } else {
    // The stored pixels turn; the turn that shows them upright becomes the
    // command, the old turn, and the command undone, in this order read
    // backwards: (command) ∘ (stored) ∘ (command)⁻¹.
    after = Compose(Compose(Inverse(row.turn), stored), row.turn);
  }
  if (after != stored) plan.orientation = after;
  if (row.rotaFlip) plan.shownTurn = kind == TransformKind::AutoRotate && !asShown ? stored : row.turn;
  plan.arguments = Switches(row, turn, trim);
  if (row.trims) {
    plan.turn = turn;
    plan.trimmed = trim;
  }
  if (kind == TransformKind::Crop) plan.arguments.emplace_back(geometry);
  return plan;
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

JpegTranPlan TJpegTran::Plan(const TransformRequest& request, Orientation stored) {
  return Plan(request.kind, stored, request.asShown, request.trim, request.geometry);
}

void TJpegTran::RunInto(const PhotoFile& input, const std::vector<std::string>& arguments, int outputFile,
                        size_t maxOutput) const {
  if (!JpegTranAvailable()) throw FileError(input.Path(), "jpegtran was not found");
  // The photo comes on standard input, from the descriptor the command
  // opened under its lock: jpegtran reads the very file the rest was read from.
  std::vector<std::string> argv{transformer_.native(), "-maxmemory", std::to_string(kMaxMemoryKilobytes),
                                "-maxscans", std::to_string(kMaxScans)};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  ProcessOptions options;
  options.limit = kTimeLimit;
  options.inputFile = input.Reader().Descriptor();
  options.outputFile = outputFile;
  options.maxOutput = maxOutput;
  options.environment = {LargePagesSetting()};
  ProcessResult result = RunProcess(argv, options);
  if (!result.Succeeded()) throw FileError(input.Path(), "jpegtran failed: " + result.Describe());
}

void TJpegTran::RunJpegTran(const fs::path& input, const fs::path& target,
                            const std::vector<std::string>& arguments) const {
  Transform(input, target, false, false, arguments);
}

fs::path TJpegTran::Transform(const fs::path& source, const fs::path& target, bool keepDate, bool refreshThumbnail,
                              const JpegTranPlan& plan) const {
  // Held until the result is in place: no other writer may change the source
  // between jpegtran's read and the replacement.
  const PhotoFile photo(source);
  lastPlan_ = plan;
  lastEdges_.clear();
  return Run(photo, ReadHead(photo), target, keepDate, refreshThumbnail, plan);
}

fs::path TJpegTran::Transform(const fs::path& source, const fs::path& target, bool keepDate, bool refreshThumbnail,
                              const TransformRequest& request) const {
  // The orientation the plan depends on is read under the lock, from the
  // same descriptor jpegtran reads: a turn that finished meanwhile is seen.
  const PhotoFile photo(source);
  const std::string head = ReadHead(photo);
  if (head.empty()) throw FileError(source, "not a JPEG file");
  const Orientation stored = ReadOrientation(head);
  if (request.kind == TransformKind::Crop)
    CheckCropInside(photo, head, request.geometry, request.asShown ? stored : Orientation::Upright);
  lastPlan_ = Plan(request, stored);
  lastEdges_ = UnturnedEdgesIn(head, lastPlan_, stored);
  if (request.perfect && !lastEdges_.empty())
    throw FileError(source, DescribeEdges(lastEdges_) + " cannot be turned losslessly; it was not transformed");
  return Run(photo, head, target, keepDate, refreshThumbnail, lastPlan_);
}

fs::path TJpegTran::Run(const PhotoFile& photo, std::string_view head, const fs::path& target, bool keepDate,
                        bool refreshThumbnail, const JpegTranPlan& plan) const {
  const fs::path& source = photo.Path();
  note_.clear();
  const std::optional<FileTime> date = keepDate ? std::optional(photo.Date()) : std::nullopt;
  if (plan.unchanged) {
    std::error_code error;
    if (!fs::equivalent(source, target, error)) WriteFileAtomic(target, photo.ReadAll(), date);
    return target;
  }
  // The frame's size is checked before jpegtran starts; the scans only when
  // it fails (it stops at the same number of scans itself), so that the
  // message names the limit without a walk through every good file.
  CheckLimits(photo, false);
  // jpegtran's output is kept in memory; it replaces the target (thumbnail,
  // EXIF values the turn made stale, what followed the picture) in a single
  // atomic write, only when every step has succeeded. The new thumbnail's
  // picture is made from the output while it arrives. The temporary file is
  // made before jpegtran starts, so that only the bytes are left to write
  // when it ends (and an unwritable target fails before the run).
  AtomicFileWriter writer(target);
  if (date) writer.KeepDate(*date);
  GrowingOutput output(source, OutputLimitFor(photo.Size()));
  std::optional<ThumbnailAhead> ahead;
  if (refreshThumbnail)
    if (const std::optional<int> side = ThumbnailSideOf(head, source)) ahead.emplace(output, *side, target);
  try {
    RunInto(photo, plan.arguments, output.File(), output.Limit());
  } catch (const FileError&) {
    CheckLimits(photo, true);
    throw;
  }
  output.Finish();
  const TJpegObject::ThumbnailPicture* ready = ahead ? ahead->Take() : nullptr;  // nothing reads the output now
  const std::string_view transformed = output.All();
  const std::string trailer = CopiesMetadata(plan.arguments) ? ReadTrailer(photo) : std::string();
  // The segments before the picture data are all that changes. With the
  // thumbnail's picture at hand (or no thumbnail to make) only they are
  // copied and edited, and the picture data is written as jpegtran left it;
  // should the thumbnail need the picture after all (a smaller side), the
  // whole output is taken. A failure of the write itself is reported as it
  // is, never taken for one of the edit.
  const size_t scan = !refreshThumbnail || ready ? FirstScanPosition(transformed) : std::string_view::npos;
  std::optional<std::string> edited;
  if (scan != std::string_view::npos) {
    try {
      edited = Finished(std::string(transformed.substr(0, scan)) + "\xFF\xD9", refreshThumbnail, ready,
                        plan.orientation, target, note_);
      if (!edited->ends_with("\xFF\xD9"))
        throw FileError(target, "the segments before the picture data were not kept");
      edited->resize(edited->size() - 2);
    } catch (const FileError&) {
      edited.reset();
      note_.clear();  // made again from the whole output
    }
  }
  if (edited) {
    writer.Write(*edited);
    writer.Write(transformed.substr(scan));
  } else {
    writer.Write(Finished(std::string(transformed), refreshThumbnail, ready, plan.orientation, target, note_));
  }
  writer.Write(trailer);
  writer.Commit();
  return target;
}

}  // namespace pixaldo
