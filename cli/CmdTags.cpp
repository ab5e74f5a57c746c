// tags: the lists of the metadata window for one file, in its order:
// generic EXIF entries, maker entries, thumbnail directory, IPTC, comment,
// the embedded colour profile.
#include <filesystem>

#include "cli/Handlers.h"
#include "colour/ColourEngine.h"
#include "exif/ExifData.h"
#include "iptc/IptcData.h"
#include "photo_record/JpegBasicObject.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"

namespace pixaldo::cli {
namespace {

void AddGroup(Listing& listing, const char* group, TImageInfo& info, int32_t tagGroup) {
  TTagEntry entry;
  info.ResetTagCursor();
  while (info.NextTag(tagGroup, entry)) listing.AddRow({group, entry.Description, entry.Value});
}

void AddThumbnail(Listing& listing, TImageInfo& info) {
  TTagEntry entry;
  info.ParseThumbnail();
  info.ResetThumbCursor();
  while (info.NextThumbTag(0, entry)) listing.AddRow({"thumbnail", entry.Description, entry.Value});
}

void AddIptc(Listing& listing, TimgData& data) {
  if (!data.IptcInfo) data.IptcInfo = std::make_unique<TIPTCdata>(&data);
  data.IptcInfo->ParseContainerSegment();
  for (int32_t i = 0; i < data.IptcInfo->Count(); ++i) {
    TTagEntry entry = data.IptcInfo->GetTag(i);
    listing.AddTextRow({"iptc", entry.Description, entry.Value});  // IPTC values are UTF-8 text
  }
}

// The keywords (from IPTC or XMP) one row each, and the rating when set.
void AddKeywordsAndRating(Listing& listing, const std::filesystem::path& file) {
  TJpegBasicObject record(file);
  record.ReadTags();
  for (const std::string& keyword : record.IptcFields.Keywords) listing.AddTextRow({"photo", "Keyword", keyword});
  if (record.IptcFields.Rating > 0) listing.AddTextRow({"photo", "Rating", std::to_string(record.IptcFields.Rating)});
}

}  // namespace

Listing Tags(const Invocation&, const std::filesystem::path& file) {
  CheckWholeFile(file, UINT64_MAX);  // a missing file, a folder, a pipe or a device is named as such

  Listing listing{{"group", "name", "value"}, false, {}, {}};
  TimgData data(255);
  const bool read = data.ReadFile(file);
  if (data.ErrorText == kIllegalConstruction) throw FileError(file, "cannot be opened");
  if (data.HasExif() && data.ExifInfo) {
    TImageInfo& info = *data.ExifInfo;
    AddGroup(listing, "exif", info, 0);
    if (info.HasMakerNote) AddGroup(listing, "maker", info, 1);
    if (read && data.HasThumbnail()) AddThumbnail(listing, info);
  }
  if (data.HasIptc()) AddIptc(listing, data);
  if (data.HasComment()) listing.AddTextRow({"comment", "", CommentText(data.GetComment())});
  if (!data.IsTiff && (data.HasIptc() || data.HasXmp())) AddKeywordsAndRating(listing, file);
  for (auto& [name, value] : IccRows(ReadFileColourSource(file))) listing.AddTextRow({"icc", name, value});
  return listing;
}

}  // namespace pixaldo::cli
