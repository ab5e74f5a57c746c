#pragma once
// Which commands of the main window are enabled, as data: each row names a
// command (or an IPTC edit control) and the condition that enables it. The
// window fills a CommandContext after every file shown and applies the table.
#include <array>
#include <optional>
#include <string_view>

namespace pixaldo {

// What the enabling depends on.
struct CommandContext {
  bool FilesPresent = false;        // the list holds at least one file
  bool Selected = false;            // a file is selected (and current)
  bool TransformAvailable = false;  // jpegtran was found
  bool CropProportionSet = false;   // a crop proportion other than free
  bool CropFrameDrawn = false;      // the photo view holds a crop frame
  bool Sideways = false;            // the shown photo's EXIF orientation is not 1
  bool Transforming = false;        // a transform is running: no file command
};

enum class EnabledWhen {
  FilesPresent,
  Selected,
  Transformable,          // jpegtran and a selected file
  TransformableWithRatio, // the same, with a crop proportion chosen
  TransformableSideways,  // the same, with a photo that is not stored upright
  CropFrameDrawn,         // jpegtran, a selected file and a crop frame
  Idle,                   // no transform running
};

struct EnablingRow {
  const char* Name;
  EnabledWhen When;
};

// Commands absent from the table keep the state they have. While a
// transform runs, every command of the table is off.
inline constexpr std::array<EnablingRow, 23> kEnabling{{
    {"AppDirOpen", EnabledWhen::Idle},
    {"FileNext", EnabledWhen::FilesPresent},
    {"FilePrev", EnabledWhen::FilesPresent},
    {"AppDirDatabase", EnabledWhen::FilesPresent},
    {"AppPictureSize", EnabledWhen::FilesPresent},
    {"AppPrezentation", EnabledWhen::FilesPresent},
    {"FileRename", EnabledWhen::Selected},
    {"FileDelete", EnabledWhen::Selected},
    {"FileMetadataShow", EnabledWhen::Selected},
    {"CBox1", EnabledWhen::Selected},
    {"Edit2", EnabledWhen::Selected},
    {"Memo3", EnabledWhen::Selected},
    {"EditKeywords", EnabledWhen::Selected},
    {"RatingStars", EnabledWhen::Selected},
    {"JpgFlipHorizontal", EnabledWhen::Transformable},
    {"JpgFlipVertical", EnabledWhen::Transformable},
    {"JpgRotateLeft", EnabledWhen::Transformable},
    {"JpgRotateRight", EnabledWhen::Transformable},
    {"JpgRotateByExif", EnabledWhen::TransformableSideways},
    {"JpgMetadataDelete", EnabledWhen::Transformable},
    {"JpgCropRatio", EnabledWhen::Transformable},
    {"JpgCropStyle", EnabledWhen::TransformableWithRatio},
    {"JpgCrop", EnabledWhen::CropFrameDrawn},
}};

// Whether a condition holds in a context.
bool Holds(EnabledWhen when, const CommandContext& context);

// The state the table gives `name`, or none for commands it leaves alone.
std::optional<bool> CommandEnabled(std::string_view name, const CommandContext& context);

}  // namespace pixaldo
