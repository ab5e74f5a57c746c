#pragma once
// The lossless transform runner: rotates, flips, crops or strips the metadata
// of a JPEG file by running the external program jpegtran, then (as asked)
// regenerates the EXIF thumbnail and puts the source file's date back.
//
// jpegtran's output is collected in memory; only when it ends with exit
// status 0 does it replace the target, in one atomic write. Otherwise the target
// stays exactly as it was and FileError carries jpegtran's own message.
// Pictures beyond the photo view's limits are refused naming the limit: a
// frame of too many pixels before jpegtran starts; too many scans when
// jpegtran, which stops at the same number, has failed. jpegtran runs under
// a memory and a time limit.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exif/Orientation.h"
#include "transforms/UnturnedEdges.h"

namespace pixaldo {

namespace fs = std::filesystem;

// The transform kinds with their command codes.
enum class TransformKind : int {
  Crop = 1,            // JpgCrop
  RotateLeft = 2,      // JpgRotateLeft
  RotateRight = 3,     // JpgRotateRight
  FlipHorizontal = 4,  // JpgFlipHorizontal
  FlipVertical = 5,    // JpgFlipVertical
  MetadataDelete = 6,  // JpgMetadataDelete
  AutoRotate = 7,      // JpgRotateByExif: the stored pixels turned upright
};

// One transform as jpegtran and the EXIF block see it: the switches of the
// single jpegtran run and the orientation the result gets.
struct JpegTranPlan {
  std::vector<std::string> arguments;
  std::optional<Orientation> orientation;  // nothing: the stored value stays
  bool unchanged = false;                  // the file is already as asked: no run at all
  // How the picture as shown turns, for the rotations and flips (Rotate by
  // EXIF leaves the upright picture as it is); nothing for the others.
  std::optional<Orientation> shownTurn;
  // For the rotations and flips: the turn jpegtran makes of the stored
  // pixels, and whether "-trim" drops the edges it cannot turn (see
  // transforms/UnturnedEdges.h). Upright for the others.
  Orientation turn = Orientation::Upright;
  bool trimmed = false;
};

// A transform as the user asks for it; the runner makes its plan from the
// orientation it reads under the photo's lock.
struct TransformRequest {
  TransformKind kind = TransformKind::RotateRight;
  bool asShown = true;   // act on the picture as shown upright (see Plan)
  bool trim = false;
  std::string geometry;  // the crop's WxH+X+Y
  bool perfect = false;  // refuse a turn that would leave an edge unturned (see LastEdges)
};

class PhotoFile;

inline constexpr const char* kDefaultCropSuffix = "_crop";

class TJpegTran {
 public:
  // Looks jpegtran up once: beside this program's executable, else on PATH.
  TJpegTran();
  // Uses the given program (empty: none available).
  explicit TJpegTran(fs::path transformer);

  // Whether jpegtran was found when the runner was created; never rechecked.
  bool JpegTranAvailable() const { return !transformer_.empty(); }
  // The absolute path of the program found, or empty.
  const fs::path& TransformerPath() const { return transformer_; }

  // The switches of a kind: "-copy all" plus the kind's own ("-crop" last, for
  // the caller to follow with the geometry), "-trim" appended when asked for
  // a rotation or flip. Crop and metadata removal never trim.
  static std::vector<std::string> TransformArguments(TransformKind kind, bool trim);
  // The switches of a crop to a WxH+X+Y geometry.
  static std::vector<std::string> CropArguments(std::string_view geometry);
  // The switches and the orientation of a kind for a file whose stored
  // orientation is `stored`. With `asShown`, rotations, flips and the crop
  // (`geometry`, WxH+X+Y of the upright picture) act on the picture as it
  // is shown upright: the file's turn and the command become one jpegtran
  // operation and the result is upright (orientation 1). Otherwise they act
  // on the stored pixels and the orientation is turned with them, so that
  // the picture shown upright is turned as the command says. Rotate by EXIF
  // always turns the stored pixels upright.
  static JpegTranPlan Plan(TransformKind kind, Orientation stored, bool asShown, bool trim,
                            std::string_view geometry = {});
  static JpegTranPlan Plan(const TransformRequest& request, Orientation stored);
  // The kind's name suffix ("_rot", "_flip", "_nometa", or the crop suffix).
  static std::string Suffix(TransformKind kind, std::string_view cropSuffix = kDefaultCropSuffix);
  // The path with the kind's suffix inserted before the last "." of the file
  // name (appended when the file name has none): IMG_0001.JPG -> IMG_0001_rot.JPG.
  static fs::path ProposedName(TransformKind kind, const fs::path& path,
                               std::string_view cropSuffix = kDefaultCropSuffix);
  // Whether a kind rewrites the source itself under the two overwrite
  // settings; removing metadata always writes a new file.
  static bool OverwritesSource(TransformKind kind, bool overwriteCrop, bool overwriteRotaFlip);

  // Runs jpegtran with the switches on `input`; its output replaces `target`
  // (which may be `input` itself) only when jpegtran succeeds. Throws
  // FileError: naming `input` with jpegtran's message when it fails or cannot
  // be started, naming `target` when the target cannot be written.
  void RunJpegTran(const fs::path& input, const fs::path& target, const std::vector<std::string>& arguments) const;

  // One transform of `source` into `target` (the source itself to transform
  // in place, or another name chosen by the caller: that file is created or
  // replaced, the source is left alone). When asked, the EXIF thumbnail is
  // made again from jpegtran's output before that replaces the target, so
  // the target is written once. When `keepDate`, the target gets the
  // source's modification time from before the transform. Returns the
  // target. Throws FileError; on any failure the target is as it was.
  // After jpegtran, the orientation values are set as the plan says and
  // ExifImageWidth/ExifImageHeight corrected to the new size where stored.
  // A plan that leaves the file unchanged copies it to another target as it is.
  // The source is locked, then opened once: every step reads that one
  // descriptor, jpegtran on its standard input. Whatever followed the
  // picture data (another program's trailer) follows it in the result,
  // unless the metadata is removed. A target that is the source by another
  // name is written in place.
  fs::path Transform(const fs::path& source, const fs::path& target, bool keepDate, bool refreshThumbnail,
                     const JpegTranPlan& plan) const;
  // The same with the plan made under the lock from the request and the
  // orientation read there (LastPlan tells it); a crop's frame is checked
  // against the picture read there. FileError "not a JPEG file" for a file
  // that does not start like one.
  fs::path Transform(const fs::path& source, const fs::path& target, bool keepDate, bool refreshThumbnail,
                     const TransformRequest& request) const;
  fs::path Transform(const fs::path& source, const fs::path& target, bool keepDate, bool refreshThumbnail,
                     const std::vector<std::string>& arguments) const {
    return Transform(source, target, keepDate, refreshThumbnail, JpegTranPlan{arguments, std::nullopt, false, std::nullopt});
  }
  // What the user should know about the last transform that succeeded
  // (a thumbnail that could not be kept); empty when nothing.
  const std::string& LastNote() const { return note_; }
  // The plan the last transform ran (or found nothing to do) with.
  const JpegTranPlan& LastPlan() const { return lastPlan_; }
  // The edges the last transform of a request left unturned, as its result
  // is shown (transforms/UnturnedEdges.h); judged under the lock as well.
  const std::vector<UnturnedEdge>& LastEdges() const { return lastEdges_; }

 private:
  // The transform of the photo opened, whose segments before the picture
  // data are `head`.
  fs::path Run(const PhotoFile& photo, std::string_view head, const fs::path& target, bool keepDate,
               bool refreshThumbnail, const JpegTranPlan& plan) const;
  // Runs jpegtran on `input`, its output written into `outputFile`, which
  // may grow to `maxOutput` bytes.
  void RunInto(const PhotoFile& input, const std::vector<std::string>& arguments, int outputFile,
               size_t maxOutput) const;

  fs::path transformer_;
  mutable std::string note_;
  mutable JpegTranPlan lastPlan_;
  mutable std::vector<UnturnedEdge> lastEdges_;
};

// True for a crop geometry WxH+X+Y of decimal numbers (no blanks, no signs).
bool IsCropGeometry(std::string_view geometry);

// Where jpegtran is: beside the running executable, else the first match on
// PATH; empty when neither has it.
fs::path FindJpegTran();

}  // namespace pixaldo
