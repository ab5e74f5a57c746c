#pragma once
// Reads back everything a container holds after a read, as the info panel,
// the metadata window and the exports do, so the fuzzers reach every reader
// and formatter behind the parse.
#include <string>

#include "exif/ExifData.h"
#include "iptc/IptcData.h"

namespace pixaldo::fuzz {

inline void WalkEntries(TImageInfo& info) {
  TTagEntry entry;
  for (int group = 0; group <= 1; ++group) {
    info.ResetTagCursor();
    while (info.NextTag(group, entry)) {
    }
    info.ResetThumbCursor();
    while (info.NextThumbTag(group, entry)) {
    }
  }
  for (const char* name : {"Make", "Model", "DateTime", "ExposureTime", "FNumber", "FocalLength",
                           "ExposureBiasValue", "ISOSpeedRatings", "Flash", "FocalLengthin35mmFilm"}) {
    (void)info.ValueOf(name);
    (void)info.NumberOf(name);
    (void)info.IntegerOf(name);
  }
  (void)info.GetTagByDescription("Camera make");
}

inline void WalkContainer(TimgData& data) {
  if (data.ExifInfo) {
    data.ExifInfo->ParseThumbnail();
    WalkEntries(*data.ExifInfo);
    (void)data.ExifInfo->AsXmlLines();
  }
  (void)data.HasThumbnail();
  if (data.HasComment()) (void)data.GetComment();
  (void)data.XmpPacketText();
  if (data.HasIptc()) {
    data.ParseIptc();
    (void)data.IptcInfo->AsXmlLines();
    try {
      (void)data.IptcInfo->BuildMergedPayload();
    } catch (const IptcRefusal&) {
    }
  }
  std::string out;
  data.WriteSegments(out);
}

}  // namespace pixaldo::fuzz
