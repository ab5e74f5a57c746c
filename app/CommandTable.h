#pragma once
// The main window's commands as data: the action list in its order (which
// decides the owner of a shortcut two commands share), the tool bar column,
// the pop-up menu, and which language entry captions each command or label.
#include <array>
#include <string_view>

namespace pixaldo {

struct ActionRow {
  const char* Name;
  const char* Caption;   // the caption of the window definition
  int Icon;              // -1: none
  const char* Shortcut;  // QKeySequence text; empty: none
};

// AppNormal takes its Esc only while presenting.
inline constexpr std::array<ActionRow, 29> kActions{{
    {"AppDirOpen", "DirOpen", 0, "Ctrl+O"},
    {"AppDirDatabase", "AppDirDatabase", 18, ""},
    {"AppPictureSize", "AppPictureSize", 20, "Ctrl+Return"},
    {"AppPrezentation", "AppPrezentation", 22, "Alt+Return"},
    {"FileMetadataShow", "Metadata show", 17, ""},
    {"FileRename", "FileRename", 3, ""},
    {"FileDelete", "File Delete", 4, ""},
    {"AppNormal", "AppNormal", 23, ""},
    {"FileNext", "FileNext", 2, ""},
    {"FilePrev", "FilePrev", 1, ""},
    {"AppInfoBar", "AppInfoBar", 24, ""},
    {"AppOptions", "AppOptions", 26, ""},
    {"JpgMetadataDelete", "Metadata delete", 19, ""},
    {"JpgFlipHorizontal", "Flip horizontal", 5, "Ctrl+H"},
    {"JpgFlipVertical", "Flip vertical", 6, "Ctrl+V"},
    {"JpgRotateLeft", "Rotate left", 7, "Ctrl+L"},
    {"JpgRotateRight", "Rotate right", 8, "Ctrl+R"},
    {"JpgRotateByExif", "Rotate by EXIF", 29, "Ctrl+E"},
    {"JpgCrop", "Crop", 9, "Ctrl+C"},
    {"AppAbout", "AppAbout", 27, ""},
    {"AppExit", "AppExit", 28, ""},
    {"JpgCropStyle", "JpgCropStyle", 10, ""},
    {"JpgCropRatio", "JpgCropRatio", 12, ""},
    {"JpgCancelCropping", "JpgCancelCropping", -1, "Esc"},
    {"AppZoomIn", "Zoom in", -1, "Ctrl++"},
    {"AppZoomOut", "Zoom out", -1, "Ctrl+-"},
    {"AppZoomActual", "Actual pixels", -1, "Ctrl+1"},
    {"AppZoomFit", "Fit", -1, "Ctrl+0"},
    {"AppThumbnails", "AppThumbnails", -1, "Ctrl+T"},
}};

// The zoom commands of the view's menu (a right click on the picture, where
// the fit mode command follows them), also at the end of the pop-up menu
// of presentation mode.
inline constexpr std::array<const char*, 4> kViewMenu{"AppZoomIn", "AppZoomOut", "AppZoomActual", "AppZoomFit"};

// Further keys of a command: Ctrl+= is Ctrl++ without Shift on many keyboards.
struct AlternateKey {
  const char* Name;
  const char* Shortcut;
};
inline constexpr std::array<AlternateKey, 2> kAlternateKeys{{
    {"AppZoomIn", "Ctrl+="},
    {"AppZoomIn", "Ctrl+Shift++"},
}};

inline constexpr const char* kPresentationExitKey = "Esc";

// The group a command belongs to, by the prefix of its name: AppActions,
// FileActions or JpgActions.
inline constexpr const char* ActionCategory(std::string_view name) {
  if (name.starts_with("File")) return "FileActions";
  if (name.starts_with("Jpg")) return "JpgActions";
  return "AppActions";
}

// Tool bar groups, top to bottom; an empty name is a separator.
inline constexpr std::array<const char*, 27> kToolBar{
    "AppDirOpen",     "",
    "FilePrev",       "FileNext",        "FileRename",      "FileDelete",     "",
    "JpgFlipHorizontal", "JpgFlipVertical", "JpgRotateLeft", "JpgRotateRight", "JpgRotateByExif", "JpgCrop", "JpgCropStyle",
    "JpgCropRatio",   "",
    "FileMetadataShow", "AppDirDatabase", "JpgMetadataDelete", "",
    "AppPictureSize", "AppPrezentation", "AppInfoBar",      "AppOptions",     "AppAbout", "",
    "AppExit"};

// The pop-up menu of presentation mode; an empty name is a separator.
inline constexpr std::array<const char*, 12> kPopupMenu{
    "AppDirOpen",      "",  "FileMetadataShow", "",  "JpgFlipHorizontal", "JpgFlipVertical",
    "JpgRotateRight",  "JpgRotateLeft", "JpgRotateByExif", "",      "AppPictureSize", "AppNormal"};

// Language entries of the captions, headings and labels.
struct TextTarget {
  int Entry;
  const char* Name;
};
inline constexpr std::array<TextTarget, 39> kTexts{{
    {1, "AppDirOpen"},        {2, "AppDirDatabase"},    {3, "AppPictureSize"},  {4, "AppPrezentation"},
    {5, "AppNormal"},         {6, "AppInfoBar"},        {7, "AppOptions"},      {8, "AppAbout"},
    {9, "AppExit"},           {11, "FileMetadataShow"}, {12, "FileRename"},     {13, "FileDelete"},
    {14, "FileNext"},         {15, "FilePrev"},         {18, "JpgMetadataDelete"}, {19, "JpgFlipHorizontal"},
    {20, "JpgFlipVertical"},  {21, "JpgRotateLeft"},    {22, "JpgRotateRight"}, {23, "JpgCrop"},         {26, "JpgRotateByExif"},
    {24, "JpgCropStyle"},     {25, "JpgCropRatio"},     {30, "Header1"},        {31, "Header2"},
    {32, "Header3"},          {33, "Header4"},          {34, "Header5"},        {35, "Header6"},
    {36, "Label21"},          {37, "Label22"},          {38, "Label23"},        {39, "Label24"},
    {40, "Label25"},          {130, "AppZoomIn"},       {131, "AppZoomOut"},    {132, "AppZoomActual"},
    {133, "AppZoomFit"},      {170, "AppThumbnails"},
}};

}  // namespace pixaldo
