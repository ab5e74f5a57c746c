// summary: the info panel of one file, and what names its colours.
#include "cli/Handlers.h"
#include "colour/ColourEngine.h"
#include "photo_record/JpegBasicObject.h"

namespace pixaldo::cli {

Listing Summary(const Invocation&, const std::filesystem::path& file) {
  TJpegBasicObject record(file);
  record.ReadBlockSize();
  record.ReadTags();
  const TMyExifTags& e = record.ExifSummary;
  const TMyIptcTags& i = record.IptcFields;
  std::string block;
  if (record.BlockWidth && record.BlockHeight)
    block = std::to_string(record.BlockWidth) + "\xD7" + std::to_string(record.BlockHeight);
  Listing listing{{"key", "value"}, true, {}, {}};
  const std::pair<const char*, const std::string&> exifRows[] = {
      {"CameraMake", e.CameraMake},     {"CameraModel", e.CameraModel},
      {"DateTime", e.DateTime},         {"Dimensions", e.Dimensions},
      {"JpegQual", e.JpegQual},         {"Flash", e.Flash},
      {"FocalLength", e.FocalLength},   {"ExposureTime", e.ExposureTime},
      {"FNumber", e.FNumber},           {"IsoAndBias", e.IsoAndBias},
      {"ExposureProgram", e.ExposureProgram}, {"MeteringMode", e.MeteringMode},
  };
  for (const auto& [key, value] : exifRows) listing.AddRow({key, value});
  // The IPTC fields are UTF-8 text already.
  listing.AddTextRow({"Category", i.Category});
  listing.AddTextRow({"ObjectName", i.ObjectName});
  listing.AddTextRow({"ImageCaption", i.ImageCaption});
  listing.AddRow({"DctBlock", block});
  // The keywords one field each (a JSON list), the rating a number.
  std::vector<std::string> keywords{"Keywords"};
  keywords.insert(keywords.end(), i.Keywords.begin(), i.Keywords.end());
  listing.AddTextRow(std::move(keywords));
  listing.AddTextRow({"Rating", std::to_string(i.Rating)});
  listing.listKeys = {"Keywords"};
  listing.numericKeys = {"Rating"};
  listing.AddTextRow({"ColourProfile", ColourSourceName(ReadFileColourSource(file))});
  return listing;
}

}  // namespace pixaldo::cli
