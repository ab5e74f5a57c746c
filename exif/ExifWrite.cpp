// Writing a file from the container's kept segments and a picture, and the
// XML dump of one file.
#include "exif/ExifWrite.h"

#include <algorithm>
#include <array>
#include <vector>
#include <cctype>
#include <functional>

#include "exif/JpegSegmentWalk.h"
#include "exif/XmlText.h"
#include "iptc/IptcData.h"
#include "platform/ByteOrder.h"
#include "platform/FileSystem.h"
#include "platform/LocaleFormats.h"
#include "xmp/XmpPacket.h"

namespace pixaldo {
namespace {

// APP0 "JFIF" 1.02, 300 × 300 dots per inch, no thumbnail: written when the
// container holds neither an EXIF nor a JFIF segment.
constexpr std::string_view kDefaultJfif{
    "\xFF\xE0\x00\x10\x4A\x46\x49\x46\x00\x01\x02\x01\x01\x2C\x01\x2C\x00\x00", 18};

// Segments at the start of the picture stream that the kept ones replace,
// each skipped only when it stands exactly there, in this order.
constexpr std::array<uint8_t, 4> kReplacedMarkers = {0xE0, 0xE1, 0xED, 0xFE};

constexpr size_t kMaxSegmentBytes = 0xFFFF;  // the length field counts itself
constexpr uint8_t kApp1 = 0xE1;

// A kind of segment the writer manages, known by its marker and the
// identifier its payload starts with.
struct SegmentKind {
  uint8_t marker;
  std::string_view identifier;
};
constexpr SegmentKind kJfifKind{0xE0, {"JFIF\0", 5}};
constexpr SegmentKind kCommentKind{0xFE, {}};

bool IsMetadataMarker(uint8_t marker) { return (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE; }

uint8_t ByteAt(std::string_view bytes, size_t pos) { return static_cast<uint8_t>(bytes[pos]); }


void SetSegment(tSection& section, uint32_t marker, const std::string& payload) {
  section.Bytes.clear();
  AppendU16(section.Bytes, uint16_t((payload.size() + 2) & 0xFFFF), true);
  section.Bytes += payload;
  section.Length = int32_t(payload.size() + 2);
  section.Marker = marker;
}

void AppendSection(std::string& out, const tSection& section) {
  out += '\xFF';
  out += char(section.Marker & 0xFF);
  out += section.Bytes;
}

// A kept segment too long for a JPEG length field, or one cut short when it
// was read, would corrupt the file.
void CheckFits(const tSection* section, const char* what, const std::filesystem::path& target) {
  if (!section) return;
  if (section->Bytes.size() > kMaxSegmentBytes)
    throw FileError(target, std::string("the ") + what + " is too long for one JPEG segment (" +
                                std::to_string(section->Bytes.size()) + " bytes, at most 65535)");
  if (ReadU16(section->Bytes, 0, true) != section->Bytes.size())
    throw FileError(target, std::string("the ") + what + " read from the file is incomplete");
}

// The segments are only trustworthy when the file was scanned as JPEG: for
// any other name the scan keeps nothing, and the segments skipped at the
// start of the picture stream would be lost.
bool ScannedAsJpeg(const std::filesystem::path& file) {
  std::string ext = file.extension().string();
  for (char& ch : ext) ch = char(std::tolower(static_cast<unsigned char>(ch)));
  return ext == ".jpg" || ext == ".jpeg" || ext == ".jpe";
}

// Writes `value` over the value field of the entry at `valuePos`, in the width
// of the entry's type; false when the type or the value does not allow it.
bool PutSizeValue(std::string& bytes, int32_t valuePos, int32_t value, bool bigEndian) {
  if (valuePos < 7) return false;
  auto type = ReadU16(bytes, size_t(valuePos - 1 - 6), bigEndian);
  if (!type) return false;
  size_t pos = size_t(valuePos - 1);
  if ((*type == 3 && value <= 0xFFFF) || (*type == 8 && value <= 0x7FFF))
    return PutU16(bytes, pos, uint16_t(value), bigEndian);
  if (*type == 4 || *type == 9) return PutU32(bytes, pos, uint32_t(value), bigEndian);
  return false;
}

std::string DirectoryPart(const std::filesystem::path& file) {
  std::string full = file.string();
  std::string name = file.filename().string();
  return full.substr(0, full.size() - name.size());
}

// Removes from `rest` (what follows the segments the writer replaces) every
// segment of the given kinds among the metadata segments before the picture
// data (the first table or frame header): the writer puts exactly one of
// each in front, and a reader must find that one. Several IPTC segments are
// left alone: readers join them, and the later ones hold datasets too.
void RemoveSegmentsOfKinds(std::string& rest, const std::vector<SegmentKind>& kinds) {
  size_t pos = 0;
  while (pos + 3 < rest.size() && ByteAt(rest, pos) == 0xFF) {
    const uint8_t marker = ByteAt(rest, pos + 1);
    if (marker == 0xFF) {
      ++pos;
      continue;
    }
    if (IsStandaloneMarker(marker)) {
      pos += 2;
      continue;
    }
    if (!IsMetadataMarker(marker)) return;
    auto length = ReadU16(rest, pos + 2, true);
    if (!length || *length < 2 || pos + 2 + *length > rest.size()) return;
    const std::string_view payload = std::string_view(rest).substr(pos + 4, *length - 2);
    const bool managed = std::any_of(kinds.begin(), kinds.end(), [&](const SegmentKind& kind) {
      return kind.marker == marker && payload.substr(0, kind.identifier.size()) == kind.identifier;
    });
    if (managed)
      rest.erase(pos, 2 + size_t(*length));
    else
      pos += 2 + *length;
  }
}

}  // namespace

size_t PictureDataStart(std::string_view stream) {
  size_t s = 2;
  for (uint8_t marker : kReplacedMarkers) {
    if (s + 1 >= stream.size() || ByteAt(stream, s + 1) != marker) continue;
    auto length = ReadU16(stream, s + 2, true);
    if (!length || s + 2 + *length > stream.size()) continue;
    // An APP1 is replaced only when it is the EXIF block or the XMP packet.
    std::string_view bytes = stream.substr(s + 2, *length);
    if (marker == kApp1 && !IsExifSegment(bytes) && !IsXmpSegment(bytes)) continue;
    s += 2 + *length;
  }
  return s;
}

size_t RemoveSegments(std::string& stream, size_t from, const std::function<bool(uint8_t, std::string_view)>& drop,
                      bool once) {
  size_t removed = 0;
  size_t pos = from;
  while (pos + 3 < stream.size() && ByteAt(stream, pos) == 0xFF) {
    uint8_t found = ByteAt(stream, pos + 1);
    if (found == 0xDA || found == 0xD9 || IsStandaloneMarker(found)) break;
    auto length = ReadU16(stream, pos + 2, true);
    if (!length || *length < 2 || pos + 2 + *length > stream.size()) break;
    if (drop(found, std::string_view(stream).substr(pos + 2, *length))) {
      stream.erase(pos, 2 + size_t(*length));
      if (++removed, once) break;
      continue;
    }
    pos += 2 + *length;
  }
  return removed;
}

bool RemoveStaleSegment(std::string& stream, uint8_t marker, std::string_view bytes) {
  auto same = [&](uint8_t found, std::string_view segment) { return found == marker && segment == bytes; };
  return RemoveSegments(stream, PictureDataStart(stream), same, true) > 0;
}

JpegPicture LoadJpegPicture(const std::filesystem::path& file) {
  JpegPicture picture;
  picture.Stream = ReadWholeFile(file);
  if (picture.Stream.size() < 4 || !StartsWithSoi(picture.Stream)) throw FileError(file, "not a JPEG file");
  bool found = false;
  WalkJpegSegments(picture.Stream, [&](uint8_t marker, size_t, std::string_view payload) {
    if (!IsFrameHeaderMarker(marker)) return true;
    if (payload.size() >= 5) {
      picture.Height = *ReadU16(payload, 1, true);
      picture.Width = *ReadU16(payload, 3, true);
      found = true;
    }
    return false;
  });
  if (!found) throw FileError(file, "no JPEG frame header found");
  return picture;
}

void TImageInfo::AdjustSize(int32_t newHeight, int32_t newWidth) {
  if (Height <= 0 || Width <= 0 || (newWidth == Width && newHeight == Height)) return;
  if (!Container || !Container->ExifSegment) return;
  std::string& bytes = Container->ExifSegment->Bytes;
  bool bigEndian = Container->BigEndian;
  PutSizeValue(bytes, HeightPos, newHeight, bigEndian);
  PutSizeValue(bytes, WidthPos, newWidth, bigEndian);
}

std::vector<std::string> TImageInfo::AsXmlLines() const {
  return XmlEntryLines("EXIFdata", Tags);
}

void TimgData::SetIptcSegment(const std::string& payload) {
  if (!IptcSegment) IptcSegment = &AddSection();
  SetSegment(*IptcSegment, 0xED, payload);
  MoreIptcSegments.clear();  // the new segment carries what they held
}

void TimgData::SetComment(const std::string& text) {
  if (!CommentSegment) CommentSegment = &AddSection();
  SetSegment(*CommentSegment, 0xFE, text);
}

void TimgData::SetXmpPacket(const std::string& packet) {
  if (!XmpSegment) XmpSegment = &AddSection();
  SetSegment(*XmpSegment, kApp1, std::string(kXmpIdentifier) + packet);
}

void TimgData::WriteSegments(std::string& out) const {
  out += "\xFF\xD8";
  if (ExifSegment)
    AppendSection(out, *ExifSegment);
  else if (JfifSegment)
    AppendSection(out, *JfifSegment);
  else
    out += kDefaultJfif;
  if (XmpSegment) AppendSection(out, *XmpSegment);
  if (IptcSegment) AppendSection(out, *IptcSegment);
  if (CommentSegment) AppendSection(out, *CommentSegment);
}

void TimgData::WriteWithPicture(const JpegPicture& picture, const std::filesystem::path& target,
                                bool adjustSize) {
  if ((!FileName.empty() && !ScannedAsJpeg(FileName)) || (ExifInfo && ExifInfo->IsTiff))
    throw FileError(target, "only JPEG files named .jpg, .jpeg or .jpe can be written");
  CheckFits(ExifSegment, "EXIF block", target);
  CheckFits(IptcSegment, "IPTC block", target);
  CheckFits(CommentSegment, "comment", target);
  CheckFits(XmpSegment, "XMP packet", target);
  if (picture.Stream.size() < 2 || ByteAt(picture.Stream, 0) != 0xFF || ByteAt(picture.Stream, 1) != 0xD8)
    throw FileError(target, "the picture to write is not JPEG data");
  if (adjustSize && ExifInfo) ExifInfo->AdjustSize(picture.Height, picture.Width);
  // Further XMP packets go once the first one holds their properties;
  // one that cannot be carried over stays where it is.
  std::vector<std::string_view> uncarried;
  for (const tSection* later : MoreXmpSegments) {
    std::string error;
    std::optional<std::string> merged =
        XmpPacket::WithPropertiesOf(XmpPacketText(), XmpPacketOf(later->Bytes), kMaxSegmentBytes - 2 - kXmpIdentifier.size(), error);
    if (merged)
      SetXmpPacket(*merged);
    else
      uncarried.push_back(later->Bytes);
  }
  std::string out;
  WriteSegments(out);
  const size_t pictureStart = out.size();
  // Only the segments before the first scan are copied and edited; the
  // picture data is written from where it lies, so that a large photo is
  // held in memory once.
  const std::string_view stream = picture.Stream;
  const size_t start = PictureDataStart(stream);
  const size_t scan = std::max(start, std::min(FirstScanPosition(stream), stream.size()));
  std::string rest(stream.substr(start, scan - start));
  std::vector<SegmentKind> kinds;
  if (!ExifSegment) kinds.push_back(kJfifKind);
  if (CommentSegment) kinds.push_back(kCommentKind);
  RemoveSegmentsOfKinds(rest, kinds);
  out += rest;
  // Exactly one EXIF block and one XMP packet: copies of either kind that
  // stood further on in the picture stream go when the container writes it.
  auto written = [this, &uncarried](uint8_t marker, std::string_view bytes) {
    const bool carried = std::find(uncarried.begin(), uncarried.end(), bytes) == uncarried.end();
    return marker == kApp1 &&
           ((ExifSegment && IsExifSegment(bytes)) || (XmpSegment && IsXmpSegment(bytes) && carried));
  };
  RemoveSegments(out, pictureStart, written, false);
  AtomicFileWriter writer(target);
  writer.Write(out);
  writer.Write(stream.substr(scan));
  writer.Commit();
}

void TimgData::SaveAs(const std::filesystem::path& target) {
  WriteWithPicture(LoadJpegPicture(FileName), target, false);
}

std::optional<std::vector<std::string>> TimgData::AsXmlDocument() const {
  std::error_code error;
  if (FileName.empty() || !std::filesystem::is_regular_file(FileName, error)) return std::nullopt;
  auto size = std::filesystem::file_size(FileName, error);
  if (error) return std::nullopt;
  auto date = GetFileDate(FileName);
  std::vector<std::string> lines = {
      "<dImageFile>",
      "   <OSdata>",
      "      <name> " + XmlContentUtf8(FileName.filename().string()) + " </name>",
      "      <path> " + XmlContentUtf8(DirectoryPart(FileName)) + " </path>",
      "      <size> " + std::to_string(size) + " </size>",
      "      <date> " + XmlContent(date ? FormatShortDate(ToTimeT(*date)) : std::string()) + " </date>",
      "   </OSdata>",
  };
  auto append = [&lines](const std::vector<std::string>& more) { lines.insert(lines.end(), more.begin(), more.end()); };
  if (ExifInfo) append(ExifInfo->AsXmlLines());
  if (IptcInfo) append(IptcInfo->AsXmlLines());
  lines.push_back("</dImageFile>");
  return lines;
}

}  // namespace pixaldo
