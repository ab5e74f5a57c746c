#include "support/Corpus.h"

#include <stdexcept>

#include "platform/Cp1250.h"
#include "support/ExifBuilder.h"
#include "support/TestSupport.h"

namespace pixaldo::test {
namespace {

constexpr uint32_t kExifIfd = 200, kGpsIfd = 400, kNoteAt = 600, kIfd1 = 800, kThumbnailAt = 900;

// A Canon maker note: a plain directory whose longer values follow it, their
// offsets counted from the TIFF header.
std::string CanonNote(const TiffBuilder& t) {
  const std::vector<TiffEntry> entries{t.Ascii(0x0006, "IMG:JPEG file"), t.Ascii(0x0007, "Firmware 1.0.3")};
  std::string ifd = t.U16(uint16_t(entries.size())), data;
  const uint32_t dataStart = uint32_t(2 + 12 * entries.size() + 4);
  for (const TiffEntry& e : entries) {
    ifd += t.U16(e.tag) + t.U16(e.type) + t.U32(e.count) + t.U32(kNoteAt + dataStart + uint32_t(data.size()));
    data += e.value;
  }
  return ifd + t.U32(0) + data;
}

TiffEntry Rationals(const TiffBuilder& t, uint16_t tag, std::initializer_list<uint32_t> values) {
  std::string bytes;
  for (uint32_t v : values) bytes += t.U32(v) + t.U32(1);
  return {tag, 5, uint32_t(values.size()), bytes};
}

std::string ExifSegment(bool bigEndian, uint16_t width, uint16_t height) {
  TiffBuilder t(bigEndian);
  const std::string thumbnail = MakeJpeg({48, 36, 1, 1, 70});
  t.Directory(8,
              {t.Ascii(0x010F, "Canon"), t.Ascii(0x0110, kCorpusModel), t.Short(0x0112, 1),
               t.Ascii(0x0132, "2024:05:01 12:30:00"), t.Long(0x8769, kExifIfd), t.Long(0x8825, kGpsIfd)},
              kIfd1);
  TiffEntry note = t.Undefined(0x927C, CanonNote(t));
  note.valueOffset = kNoteAt;
  t.Directory(kExifIfd, {t.Rational(0x829A, 1, 200), t.Rational(0x829D, 9, 1), t.Short(0x8827, 200),
                         t.Undefined(0x9000, "0220"), t.Ascii(0x9003, "2024:05:01 12:30:00"), note,
                         t.Short(0xA002, width), t.Short(0xA003, height)});
  t.Directory(kGpsIfd, {{0x0000, 1, 4, std::string("\x02\x02\x00\x00", 4)}, t.Ascii(0x0001, "N"),
                        Rationals(t, 0x0002, {50, 5, 0}), t.Ascii(0x0003, "E"), Rationals(t, 0x0004, {14, 25, 0})});
  t.Directory(kIfd1, {t.Short(0x0103, 6), t.Long(0x0201, kThumbnailAt), t.Long(0x0202, uint32_t(thumbnail.size()))});
  t.Bytes(kThumbnailAt, thumbnail);
  return t.ExifSegment();
}

std::string XmpSegment() {
  return Segment(0xE1, std::string("http://ns.adobe.com/xap/1.0/\0", 29) +
                           "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                           "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
                           "xmlns:dc='http://purl.org/dc/elements/1.1/'><dc:title><rdf:Alt><rdf:li "
                           "xml:lang='x-default'>XMP title</rdf:li></rdf:Alt></dc:title></rdf:Description>"
                           "</rdf:RDF></x:xmpmeta>");
}

std::string Photo(bool bigEndian, const std::string& iptc, uint16_t width = 64, uint16_t height = 48) {
  JpegSpec spec;
  spec.width = width;
  spec.height = height;
  spec.writeJfif = false;  // as a camera writes it: EXIF first
  return InsertAfterSoi(MakeJpeg(spec), {ExifSegment(bigEndian, width, height), XmpSegment(), iptc,
                                         Segment(0xFE, kCorpusComment)});
}

std::string Iptc1250() {
  return IptcSegment(IptcDataset(2, 5, Utf8ToCp1250(kCorpusTitleUtf8).bytes) + IptcDataset(2, 15, "Corpus") +
                     IptcDataset(2, 120, "Caption in Windows-1250"));
}

}  // namespace

std::string PhotoshopSegment(const std::string& resources) {
  return Segment(0xED, std::string("Photoshop 3.0\0", 14) + resources);
}

std::string IptcSegment(const std::string& datasets) { return PhotoshopSegment(ImageResource(0x0404, datasets)); }

std::vector<CorpusFile> MakeCorpus() {
  const std::string iptc1250 = Iptc1250();
  const std::string iptcUtf8 =
      IptcSegment(IptcDataset(1, 90, "\x1B%G") + IptcDataset(2, 5, kCorpusTitleUtf8) + IptcDataset(2, 15, "Corpus"));
  const std::string intel = Photo(false, iptc1250);
  std::string damaged = intel;
  // IFD0's offset in the TIFF header points far past the block.
  const size_t tiff = damaged.find("Exif\0\0", 0, 6) + 6;
  damaged.replace(tiff + 4, 4, std::string("\xF0\xFF\x00\x00", 4));
  return {{"exif-intel.jpg", intel},
          {"exif-motorola.jpg", Photo(true, iptc1250)},
          {"iptc-utf8.jpg", Photo(false, iptcUtf8)},
          {"damaged-ifd-offset.jpg", damaged},
          {"truncated.jpg", intel.substr(0, intel.size() / 2)},
          {"truncated-in-exif.jpg", intel.substr(0, 300)}};
}

std::string CameraPhoto(uint16_t width, uint16_t height) { return Photo(false, Iptc1250(), width, height); }

std::string CorpusBytes(const std::string& name) {
  for (CorpusFile& file : MakeCorpus())
    if (file.name == name) return std::move(file.bytes);
  throw std::invalid_argument("no corpus file " + name);
}

void WriteCorpus(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  for (const CorpusFile& file : MakeCorpus()) WriteBytes(folder / file.name, file.bytes);
}

}  // namespace pixaldo::test
