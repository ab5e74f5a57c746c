#include "transforms/JpegTran.h"

#include <array>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

#include "jpeg_structure/JpegObject.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"
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

// jpegtran's output while its thumbnail is made: a hidden file beside the
// target whose name ends in the target's extension (the EXIF reader goes by
// the extension, as it does for the target itself), reserved by the unique
// temporary file it is named after. Both are removed when it goes away.
class ScratchOutput {
 public:
  explicit ScratchOutput(const fs::path& target)
      : reserved_(Reserve(target)), path_(reserved_.native() + target.extension().native()) {}
  ~ScratchOutput() {
    std::error_code ignored;
    fs::remove(path_, ignored);
    fs::remove(reserved_, ignored);
  }
  ScratchOutput(const ScratchOutput&) = delete;
  ScratchOutput& operator=(const ScratchOutput&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  // A folder that does not exist or cannot be written is the target's failure.
  static fs::path Reserve(const fs::path& target) {
    try {
      return MakeTemporaryFile(target.parent_path().empty() ? fs::path(".") : target.parent_path(),
                               "." + target.filename().string() + ".");
    } catch (const FileError& failure) {
      throw FileError(target, failure.reason());
    }
  }

  fs::path reserved_;
  fs::path path_;
};

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
  plan.arguments = Switches(row, turn, trim);
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

void TJpegTran::RunInto(const fs::path& input, const fs::path& output,
                        const std::vector<std::string>& arguments) const {
  if (!JpegTranAvailable()) throw FileError(input, "jpegtran was not found");
  // Absolute paths, so that no name can be taken for a switch.
  std::vector<std::string> argv{transformer_.native()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  argv.push_back("-outfile");
  argv.push_back(fs::absolute(output).native());
  argv.push_back(fs::absolute(input).native());
  ProcessResult result = RunProcess(argv);
  if (!result.Succeeded()) throw FileError(input, "jpegtran failed: " + result.Describe());
}

void TJpegTran::RunJpegTran(const fs::path& input, const fs::path& target,
                            const std::vector<std::string>& arguments) const {
  // The output goes to a temporary file beside the target, which replaces the
  // target only when jpegtran has succeeded.
  AtomicFileWriter output(target);
  RunInto(input, output.TemporaryPath(), arguments);
  output.Commit();
}

fs::path TJpegTran::Transform(const fs::path& source, const fs::path& target, bool keepDate, bool refreshThumbnail,
                              const JpegTranPlan& plan) const {
  std::optional<FileTime> sourceDate = GetFileDate(source);
  if (!sourceDate) throw FileError(source, "the file does not exist");
  std::error_code error;
  // A pipe or device named like a picture would make jpegtran wait forever.
  if (!fs::is_regular_file(source, error)) throw FileError(source, "not a regular file");
  if (plan.unchanged) {
    if (fs::equivalent(source, target, error)) return target;
    CopyFileAtomic(source, target);
  } else {
    // jpegtran's output is finished in a scratch file (new thumbnail, EXIF
    // values the turn made stale) and then replaces the target in a single
    // write. A failure at any step leaves the target as it was.
    const ScratchOutput scratch(target);
    RunInto(source, scratch.Path(), plan.arguments);
    std::string transformed;
    try {
      if (refreshThumbnail) {
        TJpegObject object(scratch.Path(), false);
        object.RegenerateThumbnail();
        transformed = object.Bytes();
      } else {
        transformed = ReadWholeFile(scratch.Path());
      }
    } catch (const FileError& failure) {
      throw FileError(target, (refreshThumbnail ? "cannot make the new thumbnail: " : "cannot read jpegtran's output: ") +
                                  failure.reason());
    }
    UpdateExifAfterTurn(transformed, plan.orientation);
    WriteFileAtomic(target, transformed);
  }
  if (keepDate) SetFileDate(target, *sourceDate);
  return target;
}

}  // namespace pixaldo
