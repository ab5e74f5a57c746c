#include "photo_record/JpegBasicObject.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "exif/ExifWrite.h"
#include "iptc/IptcData.h"
#include "photo_record/ExifRating.h"
#include "photo_record/Keywords.h"
#include "platform/ByteOrder.h"
#include "platform/FileSystem.h"
#include "platform/FileError.h"
#include "platform/LocaleFormats.h"
#include "xmp/XmpPacket.h"

namespace pixaldo {
namespace {

constexpr uint16_t kStartOfImage = 0xFFD8;
constexpr uint16_t kBaselineFrame = 0xFFC0;
constexpr uint16_t kStartOfScan = 0xFFDA;
constexpr const char* kMultiplicationSign = "\xD7";  // Windows-1250 "×"

std::string_view TrimBlanks(std::string_view text) {
  auto blank = [](char ch) { return static_cast<unsigned char>(ch) <= ' '; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string TrimLeft(const std::string& text) {
  size_t first = 0;
  while (first < text.size() && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  return text.substr(first);
}

std::optional<int64_t> ParseInteger(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The three IPTC fields by their dataset names, in the order they are
// written, with the XMP property that stands in for each when it is missing.
struct IptcField {
  const char* Name;
  std::string TMyIptcTags::*Member;
  std::string XmpTexts::*Xmp;
};
constexpr IptcField kIptcFields[] = {
    {"Category", &TMyIptcTags::Category, &XmpTexts::Category},
    {"ObjectName", &TMyIptcTags::ObjectName, &XmpTexts::Title},
    {"ImageCaption", &TMyIptcTags::ImageCaption, &XmpTexts::Description},
};

// Room for an XMP packet in one APP1 segment.
constexpr size_t kMaxXmpPacketBytes = 0xFFFF - 2 - kXmpIdentifier.size();

}  // namespace

bool TFieldEdits::AnyIptc() const {
  return Keywords || std::find(Press.begin(), Press.end(), true) != Press.end();
}

TJpegBasicObject::TJpegBasicObject(const std::filesystem::path& fileName)
    : FileName(fileName), ImgData(std::make_unique<TimgData>(255)) {
  ImgData->ReadFile(fileName);
  CheckWholeFile(fileName);
}

void TJpegBasicObject::ReadBlockSize() {
  // Only the segments before the picture data count: the file is read from
  // its start as far as the frame header, more only when a segment runs on.
  std::error_code error;
  const uint64_t fileSize = std::filesystem::file_size(FileName, error);  // 0 on error: ReadFileHead reports it
  for (uint64_t want = 64 * 1024;; want = std::min(want * 4, fileSize + 1)) {
    const std::string head = ReadFileHead(FileName, size_t(want));
    if (ScanFrameHeader(head, head.size() < want)) return;
  }
}

bool TJpegBasicObject::ScanFrameHeader(std::string_view head, bool complete) {
  const bool big = BigEndian != 0;
  if (ReadU16(head, 0, big) != kStartOfImage) return true;
  size_t pos = 2;
  while (pos <= head.size()) {
    auto marker = ReadU16(head, pos, big);
    auto length = ReadU16(head, pos + 2, big);
    if (!marker || !length) return complete;
    if (*marker == kBaselineFrame) {
      if (pos + 11 >= head.size() && !complete) return false;
      uint8_t sampling = pos + 11 < head.size() ? static_cast<uint8_t>(head[pos + 11]) : 0;
      BlockWidth = sampling == 0x12 ? 8 : 16;
      BlockHeight = sampling == 0x21 ? 8 : 16;
      return true;
    }
    pos += 2 + *length;
    if (*marker == kStartOfScan) return true;
  }
  return complete;
}

void TJpegBasicObject::ReadTags() {
  ExifSummary = {};
  IptcFields = {};
  if (ImgData->HasExif()) ReadExifSummary();
  if (ImgData->HasIptc()) ReadIptcFields();
  if (ImgData->HasXmp()) ReadXmpFallback();
  ReadExtraFields();
}

void TJpegBasicObject::ReadExtraFields() {
  const IptcRecord* record = ImgData->IptcInfo && ImgData->HasIptc() ? &ImgData->IptcInfo->Record() : nullptr;
  auto texts = [record](uint8_t number) { return record ? record->Texts(2, number) : std::vector<std::string>{}; };
  const XmpFields xmp = ImgData->HasXmp() ? XmpPacket::ReadFields(ImgData->XmpPacketText()) : XmpFields{};
  IptcFields.Keywords = TKeywords::Normalized(texts(kKeywordsDataset));
  if (IptcFields.Keywords.empty()) IptcFields.Keywords = TKeywords::Normalized(xmp.Keywords);
  IptcFields.Rating = RatingOf(xmp.Rating);
  for (const PressFieldRow& row : kPressFields) {
    std::string& text = IptcFields.Press[row.Field];
    for (const std::string& value : texts(row.Dataset)) text += (text.empty() ? "" : "; ") + value;
    if (text.empty()) text = xmp.Press[row.Field];
  }
}

int TJpegBasicObject::RatingOf(std::string_view text) {
  const std::optional<int64_t> stars = ParseInteger(text);
  return stars && *stars >= 0 && *stars <= 5 ? int(*stars) : 0;
}

void TJpegBasicObject::ReadExifSummary() {
  const TImageInfo* info = ImgData->ExifInfo.get();
  if (!info) return;
  TMyExifTags& s = ExifSummary;
  s.CameraMake = info->CameraMake;
  s.CameraModel = info->CameraModel;
  s.DateTime = info->DateTime;
  if (int64_t(info->Width) * info->Height > 0 && info->Width > 0)
    s.Dimensions = std::to_string(info->Width) + " " + kMultiplicationSign + " " + std::to_string(info->Height);
  s.JpegQual = info->ValueOf("JpegQual");
  s.Flash = info->ValueOf("Flash");
  s.FocalLength = TrimLeft(info->ValueOf("FocalLength"));
  s.ExposureTime = info->ValueOf("ExposureTime");
  s.FNumber = info->ValueOf("FNumber");
  std::string iso = info->ValueOf("ISOSpeedRatings");
  if (!iso.empty()) s.IsoAndBias = iso + " ISO;   " + RatioText(info->ValueOf("ExposureBiasValue")) + " EV";
  s.ExposureProgram = info->ValueOf("ExposureProgram");
  if (!info->GetTagByDescription("Macro").Value.empty()) s.ExposureProgram += "; Macro";
  s.MeteringMode = info->ValueOf("MeteringMode");
}

void TJpegBasicObject::ReadIptcFields() {
  if (!ImgData->IptcInfo) return;
  ImgData->IptcInfo->ParseContainerSegment();
  for (const auto& field : kIptcFields) IptcFields.*field.Member = ImgData->IptcInfo->ValueOf(field.Name, "");
}

void TJpegBasicObject::ReadXmpFallback() {
  const bool wanted = std::any_of(std::begin(kIptcFields), std::end(kIptcFields),
                                  [this](const auto& field) { return (IptcFields.*field.Member).empty(); });
  if (!wanted) return;  // every field has its IPTC text
  const XmpTexts xmp = XmpPacket::ReadTexts(ImgData->XmpPacketText());
  for (const auto& field : kIptcFields) {
    std::string& value = IptcFields.*field.Member;
    if (value.empty()) value = xmp.*field.Xmp;
  }
}

void TJpegBasicObject::WriteIptc(const TMyIptcTags& fields) {
  WriteFields(fields, {});
}

void TJpegBasicObject::WriteXmpFields(const TMyIptcTags& fields, const TFieldEdits& edits) {
  XmpFieldEdits xmp;
  if (edits.Keywords) xmp.Keywords = fields.Keywords;
  if (edits.Rating) xmp.Rating = fields.Rating;
  for (size_t i = 0; i < kPressFieldCount; ++i)
    if (edits.Press[i]) xmp.Press[i] = fields.Press[i];
  // The rating lives in XMP only: a photo without a packet gets one for it.
  const bool needsPacket = edits.Rating && fields.Rating > 0;
  if (!ImgData->HasXmp() && !needsPacket) return;
  const std::string packet = ImgData->HasXmp() ? std::string(ImgData->XmpPacketText()) : XmpPacket::EmptyPacket();
  std::string error;
  const std::optional<std::string> written = XmpPacket::WithFields(packet, xmp, kMaxXmpPacketBytes, error);
  if (!written) throw FileError(FileName, error);
  ImgData->SetXmpPacket(*written);
}

void TJpegBasicObject::WriteFields(const TMyIptcTags& fields, const TFieldEdits& edits) {
  if (edits.Keywords) {
    const std::string problem = TKeywords::Problem(fields.Keywords);
    if (!problem.empty()) throw FileError(FileName, problem);
  }
  const bool anyEdit = edits.Rating || edits.AnyIptc();
  if (anyEdit) WriteXmpFields(fields, edits);
  if (edits.Rating && ImgData->ExifSegment) TExifRating::Set(ImgData->ExifSegment->Bytes, fields.Rating);
  if (anyEdit && !edits.AnyIptc()) {
    // The rating alone: the IPTC block stays as it is (and where it is kept).
    JpegPicture picture = LoadJpegPicture(FileName);
    for (const tSection* segment : ImgData->AllIptcSegments())
      if (segment->Bytes.size() > 2) RemoveStaleSegment(picture.Stream, 0xED, segment->Bytes);
    ImgData->WriteWithPicture(picture, FileName, true);
    return;
  }
  // Reads the file's datasets (or makes an empty list) so that the others stay.
  ImgData->ParseIptc();
  TIPTCdata& list = *ImgData->IptcInfo;
  for (const auto& field : kIptcFields) {
    const std::string& value = fields.*field.Member;
    if (value.empty())
      list.DeleteByName(field.Name);
    else
      list.SetValue(field.Name, value);
  }
  IptcRecord& record = list.Record();
  if (edits.Keywords) record.SetTexts(2, kKeywordsDataset, fields.Keywords);
  for (const PressFieldRow& row : kPressFields) {
    const std::string& text = fields.Press[row.Field];
    if (edits.Press[row.Field]) record.SetTexts(2, row.Dataset, text.empty() ? std::vector<std::string>{} : std::vector{text});
  }
  list.RecordChanged();
  // A text too long for its dataset is refused, never cut (by the write,
  // which names the field); a field left as it was keeps its bytes.
  list.SaveToFile(FileName, {});
}

std::string TJpegBasicObject::RatioText(const std::string& text) {
  size_t slash = text.find('/');
  if (text.empty() || slash == std::string::npos) return {};
  auto numerator = ParseInteger(std::string_view(text).substr(0, slash));
  auto denominator = ParseInteger(std::string_view(text).substr(slash + 1));
  if (!numerator || !denominator || *denominator == 0) return {};
  // One decimal, halves away from zero; no "-0.0".
  double tenths = std::round(double(*numerator) * 10.0 / double(*denominator));
  if (tenths == 0) tenths = 0;
  return FormatFloat("%.1f", tenths / 10.0);
}

}  // namespace pixaldo
