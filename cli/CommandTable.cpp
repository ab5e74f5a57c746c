// The commands of pixaldo-cli, one row each, in the order the help lists them.
#include "cli/Handlers.h"
#include "iptc/PressFields.h"

namespace pixaldo::cli {
namespace {

constexpr Option kJson{"json", "", "print UTF-8 JSON instead of tab-separated lines"};
constexpr Option kKeepDate{"keep-date", "", "put the file's previous modification time back after the write"};
constexpr Option kOutput{"output", "OUT", "write the result to OUT (replacing it) and leave FILE as it was"};
constexpr Option kTrim{"trim", "", "drop the edge blocks that cannot be turned losslessly"};
constexpr Option kPerfect{"perfect", "",
                           "refuse (exit 1, the file untouched) when an edge cannot be turned losslessly"};
constexpr Option kNoThumbnail{"no-thumbnail", "", "keep the EXIF thumbnail as it is instead of making it again"};
constexpr Option kJobs{"jobs", "N", "work on N files at once (default: one a core); output in the order of the files"};
constexpr Option kNoAutoOrient{"no-auto-orient", "",
                               "act on the pixels as stored instead of the picture shown upright by its orientation"};

// set-iptc's options: the three fields, the keywords, the press fields.
std::vector<Option> SetIptcOptions() {
  std::vector<Option> options = {
      {"category", "TEXT", "the category"},
      {"title", "TEXT", "the title (object name)"},
      {"caption", "TEXT", "the caption"},
      {"keyword", "K", "a keyword; given once or more, the whole list (--keyword '' removes every keyword)"},
      {"add-keyword", "K", "add a keyword (repeatable)"},
      {"remove-keyword", "K", "remove a keyword (repeatable)"}};
  for (const PressFieldRow& row : kPressFields) options.push_back({row.Option, "TEXT", row.Label});
  options.push_back(kKeepDate);
  options.push_back(kJobs);
  return options;
}

const std::vector<Command> kCommands = {
    {"summary", "FILE...", "the info panel and the colour profile: 19 lines KEY<TAB>VALUE (the keywords one field each)",
     {kJson}, 1, kAnyNumber, Summary},
    {"tags", "FILE...", "the metadata window's lists: GROUP<TAB>DESCRIPTION<TAB>VALUE", {kJson}, 1, kAnyNumber,
     Tags},
    {"segments", "FILE...", "the segment table: NUMBER<TAB>NAME<TAB>MARKER<TAB>OFFSET<TAB>SIZE", {kJson}, 1,
     kAnyNumber, Segments},
    {"xml", "FILE...", "write the metadata as XML beside FILE (FILE.xml) and print its path", {}, 1, kAnyNumber,
     Xml},
    {"export", "DIRECTORY DATABASE", "the directory database: XML for DATABASE.xml, CSV for DATABASE.txt", {}, 2,
     2, Export},
    {"set-iptc",
     "FILE...",
     "write IPTC fields and keywords, each with its XMP twin (an empty TEXT removes the field)",
     SetIptcOptions(),
     1,
     kAnyNumber,
     SetIptc},
    {"set-rating", "FILE...", "set the star rating (0 removes it)",
     {{"stars", "N", "the number of stars, 0 to 5", true}, kKeepDate, kJobs}, 1, kAnyNumber, SetRating},
    {"comment", "FILE TEXT", "TEXT becomes the file's comment", {kKeepDate}, 2, 2, Comment},
    {"delete-exif", "FILE...", "remove the EXIF block", {kKeepDate}, 1, kAnyNumber, DeleteExif},
    {"delete-comment", "FILE...", "remove the comment", {kKeepDate}, 1, kAnyNumber, DeleteComment},
    {"delete-iptc", "FILE...", "remove the IPTC block", {kKeepDate, kJobs}, 1, kAnyNumber, DeleteIptc},
    {"import-exif", "SOURCE TARGET...", "SOURCE's EXIF block replaces each TARGET's", {kKeepDate}, 2, kAnyNumber,
     ImportExif, 1},
    {"restore-thumbnail", "FILE...", "make the EXIF thumbnail again from the picture", {kKeepDate}, 1, kAnyNumber,
     RestoreThumbnail},
    {"rotate-left", "FILE...", "turn losslessly 90 degrees anticlockwise and print the file's path",
     {kOutput, kTrim, kPerfect, kNoThumbnail, kKeepDate, kNoAutoOrient, kJobs}, 1, kAnyNumber, RotateLeft},
    {"rotate-right", "FILE...", "turn losslessly 90 degrees clockwise and print the file's path",
     {kOutput, kTrim, kPerfect, kNoThumbnail, kKeepDate, kNoAutoOrient, kJobs}, 1, kAnyNumber, RotateRight},
    {"flip-horizontal", "FILE...", "mirror losslessly left to right and print the file's path",
     {kOutput, kTrim, kPerfect, kNoThumbnail, kKeepDate, kNoAutoOrient, kJobs}, 1, kAnyNumber, FlipHorizontal},
    {"flip-vertical", "FILE...", "mirror losslessly top to bottom and print the file's path",
     {kOutput, kTrim, kPerfect, kNoThumbnail, kKeepDate, kNoAutoOrient, kJobs}, 1, kAnyNumber, FlipVertical},
    {"auto-rotate", "FILE...",
     "turn the stored pixels upright by the EXIF orientation, set it to 1 and print the file's path",
     {kOutput, kTrim, kPerfect, kNoThumbnail, kKeepDate, kJobs}, 1, kAnyNumber, AutoRotate},
    {"crop", "FILE GEOMETRY", "crop losslessly to GEOMETRY (WxH+X+Y in pixels of the picture shown upright)",
     {kOutput, kNoThumbnail, kKeepDate, kNoAutoOrient}, 2, 2, Crop},
    {"strip-metadata", "FILE", "write a copy without any metadata",
     {{"output", "OUT", "the new file", true}}, 1, 1, StripMetadata},
    {"render", "FILE", "what the photo view shows in a panel of W×H pixels",
     {{"panel", "WxH", "the picture panel's size", true},
      {"filter", "N", "the stretch filter, 0 to 4 (default 0)"},
      {"no-square", "", "fit without the square box"},
      {"no-auto-orient", "", "show the pixels as stored instead of upright by the EXIF orientation"},
      {"output", "OUT.ppm", "write the displayed bitmap as a binary PPM"},
      {"no-colour-management", "", "draw the stored colour values instead of converting them for the screen"},
      {"screen-profile", "FILE.icc", "the screen's ICC profile (default sRGB)"}},
     1, 1, Render},
    {"thumbnails", "PATH...",
     "make the missing or stale thumbnails of the desktop's cache for photos and folders; print PHOTO<TAB>THUMBNAIL",
     {{"size", "normal|large", "the cache size: normal (128 pixels, the default) or large (256)"}, kJson}, 1,
     kAnyNumber, Thumbnails},
};

}  // namespace

const std::vector<Command>& CommandTable() { return kCommands; }

const Command* FindCommand(std::string_view name) {
  for (const Command& command : kCommands)
    if (command.name == name) return &command;
  return nullptr;
}

}  // namespace pixaldo::cli
