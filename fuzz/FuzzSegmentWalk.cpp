// The segment walk of a JPEG file held in memory and read from its headers,
// the thumbnail location, the name/value lists of the metadata window, and
// the frame a turn's edges are judged by (nothing is decoded or saved).
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
  } catch (const FileError&) {
    // An unreadable file is reported, not a fault.
  }
  return 0;
}
