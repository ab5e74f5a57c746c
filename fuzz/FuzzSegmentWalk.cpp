// The segment walk of a JPEG file held in memory and read from its headers,
// the thumbnail location, the name/value lists of the metadata window, the
// frame a turn's edges are judged by, and a new thumbnail made in memory,
// which must leave what follows the old one in the EXIF block where it is
// (nothing is saved).
#include "FuzzInput.h"
#include "exif/ExifData.h"
#include "jpeg_structure/JpegObject.h"
#include "transforms/UnturnedEdges.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixaldo;
  if (fuzz::TooLarge(size)) return 0;
  const auto file = fuzz::Scratch().Put("walk.jpg", fuzz::AsBytes(data, size));
  try {
    TJpegObject object(file, false);
    for (int i = 1; i <= object.SegmentCount(); ++i) {
      const TJpegSegment& segment = object.Segment(i);
      (void)object.ReadBytes(segment.Size, segment.Offset);
    }
    for (uint16_t marker : {TJpegObject::kApp0, TJpegObject::kApp1, TJpegObject::kApp13, TJpegObject::kCom,
                            TJpegObject::kSos}) {
      (void)object.FindSegment(marker);
      (void)object.GetSegmentBytes(marker);
    }
    (void)object.GetThumbnailBytes();
    object.FillExifLists();
    object.FillIptcList();
    object.ReadComment();
    (void)TJpegObject::ReadSegmentTable(file);
    if (const auto frame = ReadFrameGeometry(file)) (void)UnturnedEdges(*frame, Orientation::Transverse);
    (void)FrameGeometryOf(fuzz::AsBytes(data, size));
    TJpegObject held(object.Bytes(), file);
    const int64_t after = held.ThumbDataOffset + held.ThumbDataLength;
    const int64_t blockEnd = held.ExifSegment.Offset + held.ExifSegment.Size;
    const std::string kept = after < blockEnd ? held.ReadBytes(blockEnd - after, after) : std::string();
    if (held.RegenerateThumbnail() != TJpegObject::ThumbnailRefresh::None && !kept.empty() &&
        held.ReadBytes(int64_t(kept.size()), after) != kept)
      __builtin_trap();
  } catch (const FileError&) {
    // An unreadable file is reported, not a fault.
  }
  return 0;
}
