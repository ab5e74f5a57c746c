#pragma once
// The photo record of one JPEG file: the twelve EXIF summary texts and the
// three IPTC fields the main window shows, the size of the picture's DCT
// block grid, and the way the three IPTC fields are written back.
#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "exif/ExifData.h"
#include "iptc/PressFields.h"

namespace pixaldo {

// The twelve EXIF texts, in the order the info panel shows them.
struct TMyExifTags {
  std::string CameraMake;
  std::string CameraModel;
  std::string DateTime;
  std::string Dimensions;  // "3264 × 2448" (× is byte 0xD7)
  std::string JpegQual;
  std::string Flash;
  std::string FocalLength;
  std::string ExposureTime;
  std::string FNumber;
  std::string IsoAndBias;
  std::string ExposureProgram;
  std::string MeteringMode;
};

// The edited IPTC fields (UTF-8 text), the keywords and the star rating.
// Each is read from IPTC, falling back to its XMP twin; the rating from XMP.
struct TMyIptcTags {
  std::string Category;
  std::string ObjectName;
  std::string ImageCaption;
  std::vector<std::string> Keywords{};
  int Rating = 0;  // 0-5; 0 also for none or a rating that is no number of stars
  std::array<std::string, kPressFieldCount> Press{};
};

// Which of the fields beyond the three a write sets (the others stay as
// they are in the file, byte for byte).
struct TFieldEdits {
  bool Keywords = false;
  bool Rating = false;
  std::array<bool, kPressFieldCount> Press{};
  bool AnyIptc() const;
};

class TJpegBasicObject {
 public:
  // Reads the file's metadata and its bytes; throws FileError when the file
  // cannot be read. Nothing is decoded.
  explicit TJpegBasicObject(const std::filesystem::path& fileName);

  // Block grid from the baseline frame header's first component sampling:
  // 0x12 gives 8 × 16, 0x21 gives 16 × 8, anything else 16 × 16.
  void ReadBlockSize();
  // Fills ExifSummary and IptcFields (empty when the file has no such block);
  // a field the IPTC record lacks (absent or empty) is taken from the XMP
  // packet when that has it.
  void ReadTags();
  void ReadExifSummary();
  void ReadIptcFields();
  void ReadXmpFallback();
  // Writes the three fields into the file (a non-empty field replaces the
  // dataset, an empty one removes it; the file's other datasets stay; an XMP
  // packet gets the same texts). Atomic; throws FileError, also for a text
  // longer in bytes than its dataset allows.
  void WriteIptc(const TMyIptcTags& fields);
  // The same, and also the fields `edits` names: the keywords and press
  // fields in IPTC and (when the photo has XMP) their XMP twins, the rating
  // in XMP (a packet is made when there is none) and in the EXIF Rating and
  // RatingPercent tags the photo has. The IPTC block is written only when
  // a field of it is set. Throws FileError also for a keyword too long.
  void WriteFields(const TMyIptcTags& fields, const TFieldEdits& edits);

  // The stars of a stored rating text: 0 for anything but 0-5.
  static int RatingOf(std::string_view text);

  // "-1/3" → "-0.3" (one decimal, the user's separator); empty for an empty
  // text, a text that is not a ratio of two integers, or a zero denominator.
  static std::string RatioText(const std::string& text);

  std::filesystem::path FileName;
  uint8_t BigEndian = 1;
  uint8_t BlockWidth = 16;
  uint8_t BlockHeight = 16;
  std::unique_ptr<TimgData> ImgData;
  TMyExifTags ExifSummary;
  TMyIptcTags IptcFields;

 private:
  // Looks for the frame header in the first bytes of the file; false when
  // they end before the search does and the file goes on.
  bool ScanFrameHeader(std::string_view head, bool complete);
  void ReadExtraFields();
  void WriteXmpFields(const TMyIptcTags& fields, const TFieldEdits& edits);
};

}  // namespace pixaldo
