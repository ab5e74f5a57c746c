// Maker notes: recognition, the note layouts, byte orders and the Canon
// decoders, on hand-made notes and on real camera files.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

#include "exif/ExifData.h"
#include "exif/MakerNotes.h"
#include "support/ExifBuilder.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using std::string_literals::operator""s;
using test::TiffBuilder;
using test::TiffEntry;
using Pairs = std::vector<std::pair<std::string, std::string>>;

constexpr uint32_t kNoteAt = 400;  // TIFF offset of the maker note in the hand-made blocks

// A maker-note directory after `prefix`; values longer than four bytes follow
// the directory inside the note, their stored offset given by `offsetOf`
// (the note byte index of the value, 0-based).
std::string BuildNote(const TiffBuilder& t, const std::string& prefix, const std::vector<TiffEntry>& entries,
                      const std::function<uint32_t(uint32_t)>& offsetOf) {
  std::string ifd = t.U16(uint16_t(entries.size()));
  std::string data;
  const uint32_t dataStart = uint32_t(prefix.size() + 2 + 12 * entries.size() + 4);
  for (const TiffEntry& e : entries) {
    ifd += t.U16(e.tag) + t.U16(e.type) + t.U32(e.count);
    if (e.value.size() <= 4) {
      std::string v = e.value;
      v.resize(4, '\0');
      ifd += v;
    } else {
      ifd += t.U32(e.valueOffset ? e.valueOffset : offsetOf(dataStart + uint32_t(data.size())));
      if (!e.valueOffset) data += e.value;
    }
  }
  return prefix + ifd + t.U32(0) + data;
}

// Offsets counted from the EXIF TIFF header (the note lies at kNoteAt).
uint32_t FromTiffHeader(uint32_t noteIndex) { return kNoteAt + noteIndex; }

struct NoteFile {
  std::string make = "Canon";
  std::string model = "Model";
  std::string exifVersion = "0220";
  bool bigEndian = false;
  std::function<std::string(const TiffBuilder&)> note;
  std::vector<std::pair<uint32_t, std::string>> extraBytes;  // TIFF offset, bytes
};

class MakerNotesTest : public ::testing::Test {
 protected:
  std::unique_ptr<TimgData> Read(const NoteFile& f) {
    TiffBuilder t(f.bigEndian);
    tail_ = t.Short(0xA002, 640);
    t.Directory(8, {t.Ascii(0x010F, f.make), t.Ascii(0x0110, f.model), t.Long(0x8769, 100)});
    TiffEntry note = t.Undefined(0x927C, f.note(t));
    note.valueOffset = kNoteAt;
    t.Directory(100, {t.Undefined(0x9000, f.exifVersion), note, tail_});
    for (const auto& [offset, bytes] : f.extraBytes) t.Bytes(offset, bytes);
    test::WriteBytes(dir_ / "note.jpg", test::JpegWithSegments({t.ExifSegment()}));
    auto data = std::make_unique<TimgData>(255);
    EXPECT_TRUE(data->ReadFile(dir_ / "note.jpg"));
    EXPECT_TRUE(data->ExifInfo);
    return data;
  }
  static Pairs MakerEntries(TImageInfo& info) {
    Pairs out;
    TTagEntry e;
    info.ResetTagCursor();
    while (info.NextTag(1, e)) out.emplace_back(e.Description, e.Value);
    return out;
  }
  test::TempDir dir_;
  TiffEntry tail_;
};

TEST_F(MakerNotesTest, CanonCustomFunctionsAndCameraSettings) {
  NoteFile f;
  f.note = [](const TiffBuilder& t) {
    std::string settings;
    const uint16_t values[46] = {92, 1, 0, 1, 2, 1, 0, 3, 0, 0, 0, 0};  // later values 0
    for (uint16_t v : values) settings += t.U16(v);
    std::string functions = t.U16(0x0101) + t.U16(0x0301) + t.U16(0x0E00) + t.U16(0x0F01) + t.U16(0x0101);
    return BuildNote(t, "", {{0x0001, 3, 46, settings}, {0x000F, 3, 5, functions}, t.Ascii(0x0009, "Owner")},
                     FromTiffHeader);
  };
  auto data = Read(f);
  TImageInfo& info = *data->ExifInfo;
  EXPECT_TRUE(info.HasMakerNote);
  EXPECT_EQ(MakerEntries(info),
            (Pairs{{"Macro mode", "Macro"},
                   {"Self Timer", " 1"},
                   {"Compression Rate", "Fine"},
                   {"Flash Mode", "On"},
                   {"Drive Mode", "Continuous"},
                   {"Focus Mode", "MF"},
                   {"ExposureInfo1", "92, 1, 0, 1, 2, 1, 0, 3"},
                   {"Noise Reduction", " On"},
                   {"Mirror Lockup", "Enable"},
                   {"Superimposed Display", " On"},
                   {"Shutter Release w/o CF Card", "Disable"},  // the last value is never looked at
                   {"CustomFunctions", "257, 769, 3584, 3841, 257"},
                   {"OwnerName", "\"Owner\""}}));
  // Maker entries stand before the MakerNote entry; the walk goes on after it.
  EXPECT_LT(info.LookupIndex("Macro mode"), info.LookupIndex("MakerNote"));
  EXPECT_EQ(info.Width, 640);
  EXPECT_EQ(info.GetTagByDescription("Macro mode").Group, 1);
  EXPECT_EQ(info.Buffer, data->ExifSegment->Bytes);  // the reader's buffer is the segment again
}

TEST_F(MakerNotesTest, FujifilmNotesAreReadInIntelOrderInAnyFile) {
  NoteFile f;
  f.make = "FUJIFILM";
  f.bigEndian = true;
  f.note = [](const TiffBuilder&) {
    TiffBuilder intel(false);
    std::string prefix = "FUJIFILM"s + intel.U32(12);
    return BuildNote(intel, prefix,
                     {intel.Short(0x1020, 1), intel.Short(0x0000, 1), intel.Short(0x1032, 1),
                      intel.Rational(0x1011, 5, 10)},
                     [](uint32_t index) { return index; });
  };
  auto data = Read(f);
  TImageInfo& info = *data->ExifInfo;
  EXPECT_EQ(MakerEntries(info), (Pairs{{"Macro", "On"}, {"FlashStrength", "5/10"}}));
  EXPECT_TRUE(info.BigEndian);
  EXPECT_EQ(info.Width, 640);  // read in Motorola order after the note
}

TEST_F(MakerNotesTest, OlympusValuesPastTheNoteComeFromTheExifBlock) {
  NoteFile f;
  f.make = "OLYMPUS OPTICAL CO.,LTD";
  f.note = [](const TiffBuilder& t) {
    TiffEntry firmware = t.Ascii(0x0207, "FW12345");
    firmware.valueOffset = 900;  // beyond the note, inside the EXIF block
    return BuildNote(t, "OLYMP\0\1\0"s, {t.Short(0x0200, 3), t.Short(0x0201, 2), t.Short(0x0203, 1), firmware},
                     FromTiffHeader);
  };
  f.extraBytes = {{900, "FW12345\0"s}};
  auto data = Read(f);
  EXPECT_EQ(MakerEntries(*data->ExifInfo),
            (Pairs{{"SpecialMode", "3"}, {"JpegQual", "HQ"}, {"Firmware", "\"FW12345\""}}));
  EXPECT_EQ(data->ExifInfo->ValueOf("JpegQual"), "HQ");
}

TEST_F(MakerNotesTest, NikonLayouts) {
  // Old layout: the note starts with "Nikon", offsets from the EXIF header.
  NoteFile old;
  old.make = "Nikon";
  old.exifVersion = "0210";
  old.note = [](const TiffBuilder& t) {
    return BuildNote(t, "Nikon\0\1\0"s, {t.Short(0x0003, 12), t.Short(0x0009, 1), t.Ascii(0x0002, "08.00")},
                     FromTiffHeader);
  };
  auto data = Read(old);
  EXPECT_EQ(MakerEntries(*data->ExifInfo), (Pairs{{"Quality", "2 Mpixel Fine"}, {"FamilyID", "\"08.00\""}}));

  // Headerless layout: the directory at the note's start.
  NoteFile bare = old;
  bare.make = "NIKON CORPORATION";
  bare.note = [](const TiffBuilder& t) {
    return BuildNote(t, "", {t.Ascii(0x0004, "FINE"), t.Ascii(0x0084, "LENS")}, FromTiffHeader);
  };
  data = Read(bare);
  EXPECT_EQ(MakerEntries(*data->ExifInfo), (Pairs{{"Quality", "\"FINE\""}, {"Lens information", "\"LENS\""}}));

  // Newer layout: its own TIFF header, in its own byte order.
  NoteFile newer;
  newer.make = "NIKON CORPORATION";
  newer.exifVersion = "0221";
  newer.note = [](const TiffBuilder&) {
    TiffBuilder motorola(true);
    return BuildNote(motorola, "Nikon\0\2\x10\0\0MM\0\x2A\0\0\0\x08"s,
                     {motorola.Short(0x0002, 200), motorola.Ascii(0x0004, "NORMAL"), motorola.Short(0x0011, 1)},
                     [](uint32_t index) { return index - 10; });
  };
  data = Read(newer);
  EXPECT_EQ(MakerEntries(*data->ExifInfo), (Pairs{{"ISO Speed", "200"}, {"Quality", "\"NORMAL\""}}));
  EXPECT_FALSE(data->ExifInfo->BigEndian);
  EXPECT_EQ(data->ExifInfo->Width, 640);
}

TEST_F(MakerNotesTest, NikonTiffFileOfADModelUsesTheNewerLayout) {
  TiffBuilder motorola(true);
  const std::string note = BuildNote(motorola, "Nikon\0\2\x10\0\0MM\0\x2A\0\0\0\x08"s,
                                     {motorola.Short(0x0002, 400), motorola.Short(0x0095, 7)},
                                     [](uint32_t index) { return index - 10; });
  for (const char* model : {"NIKON D2X", "D1H"}) {
    SCOPED_TRACE(model);
    TiffBuilder tiff(false);
    TiffEntry makerNote = tiff.Undefined(0x927C, note);
    makerNote.valueOffset = 300;
    tiff.Directory(8, {tiff.Ascii(0x010F, "NIKON CORPORATION"), tiff.Ascii(0x0110, model), makerNote});
    test::WriteBytes(dir_ / "raw.nef", tiff.Block());
    TimgData data(255);
    ASSERT_TRUE(data.ReadFile(dir_ / "raw.nef"));
    EXPECT_EQ(data.ExifInfo->MakerNotePos, 300 - 7);
    EXPECT_EQ(MakerEntries(*data.ExifInfo), (Pairs{{"ISO Speed", "400"}, {"Noise Reduction", "7"}}));
  }
}

TEST_F(MakerNotesTest, OtherMakersAndUnknownMakes) {
  struct Case {
    const char* make;
    std::string prefix;
    TiffEntry entry;
    Pairs expected;
  };
  TiffBuilder t;
  const Case cases[] = {
      {"CASIO", "", t.Short(0x0003, 2), {{"FocusingMode", "Macro"}}},
      {"SEIKO EPSON", "SEIKO\0\1\0"s, t.Short(0x020B, 640), {{"Width", "640"}}},
      {"SANYO Electric Co.,Ltd.", "SANYO\0\1\0"s, t.Short(0x0202, 1), {{"Macro", "1"}}},
      {"Minolta Co., Ltd.", "", t.Short(0x0000, 1), {}},  // tag 0 never yields an entry
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.make);
    NoteFile f;
    f.make = c.make;
    f.note = [&](const TiffBuilder& b) { return BuildNote(b, c.prefix, {c.entry}, FromTiffHeader); };
    auto data = Read(f);
    EXPECT_TRUE(data->ExifInfo->HasMakerNote);
    EXPECT_EQ(MakerEntries(*data->ExifInfo), c.expected);
  }

  NoteFile unknown;
  unknown.make = "Leica Camera AG";
  unknown.note = [](const TiffBuilder& b) { return BuildNote(b, "", {b.Short(0x0001, 1)}, FromTiffHeader); };
  auto data = Read(unknown);
  EXPECT_FALSE(data->ExifInfo->HasMakerNote);
  EXPECT_TRUE(MakerEntries(*data->ExifInfo).empty());
  EXPECT_NE(data->ExifInfo->LookupIndex("MakerNote"), -1);
}

TEST_F(MakerNotesTest, DamagedNotesStayInsideTheirBytes) {
  NoteFile f;
  f.note = [](const TiffBuilder& t) {
    // 60000 entries claimed, offsets far away, a huge count.
    return t.U16(60000) + t.U16(0x0009) + t.U16(2) + t.U32(0x7FFFFFFF) + t.U32(0xFFFFFFF0) + t.U16(0x0006) +
           t.U16(2) + t.U32(20) + t.U32(2000000) + t.U16(0x0008);
  };
  auto data = Read(f);
  EXPECT_TRUE(data->ExifInfo->HasMakerNote);
  EXPECT_TRUE(MakerEntries(*data->ExifInfo).empty());
  EXPECT_EQ(data->ExifInfo->Width, 640);
}

struct FileCase {
  const char* file;
  Pairs first;  // the first maker entries, in order
};

TEST(MakerNotesFilesTest, EntriesOfEachMaker) {
  PIXALDO_NEEDS_SAMPLES();
  const FileCase cases[] = {
      {"maker/Canon.jpg",
       {{"Self Timer", " 0"},
        {"Flash Mode", "Not fired"},
        {"Drive Mode", "Continuous"},
        {"Focus Mode", "MF"},
        {"ExposureInfo1", "92, 0, 0, 4, 0, 1, 0, 3"},
        {"White balance", "Auto"},
        {"ExposureInfo2", "66, 0, 160, 65336, 244, 32768, 0, 0"},
        {"ImageType", "\"CRW:EOS DIGITAL REBEL CMOS RAW\""}}},
      {"cameras/22-canon_tags.jpg",
       {{"Macro mode", "Normal"}, {"Self Timer", " 2"}, {"Compression Rate", "Basic"}, {"Flash Mode", "Not fired"}}},
      {"maker/Casio.jpg",
       {{"RecordingMode", "Single Shutter"},
        {"Quality", "Fine"},
        {"FocusingMode", "Auto Focus"},
        {"FlashMode", "Red Eye Reduction"},
        {"FlashIntensity", "Normal"},
        {"ObjectDistance", "2500"}}},
      {"maker/FujiFilm.jpg",
       {{"Quality", "\"NORMAL \""}, {"Sharpness", "Normal"}, {"WhiteBalance", "Auto"}, {"FlashMode", "Red-eye reduction"}}},
      {"maker/Minolta.jpg", {{"PIMdata", "\"PrintIM\0"s + "0100\0\0\0\x04\0\x01\0\x16\0\x16\0\x02\x01\0\0\0\x01\0\x01\0\0\0\x01\x01\0\0\0\0\""s}}},
      {"maker/Olympus.jpg",
       {{"SpecialMode", "0, 0, 0"}, {"JpegQual", "SQ"}, {"Macro", ""}, {"Digital Zoom Ratio", "0/100"}, {"Firmware", "\"SR951\""}}},
      {"maker/Sanyo.jpg", {{"Special Mode", "0, 0, 0"}, {"JpegQuality", "262"}, {"Macro", "0"}, {"DigiZoom", "0/100"}}},
      {"maker/Nikon.jpg",  // headerless layout
       {{"Family ID", "\"\0\x01\0\0\""s}, {"ISO Speed", "0, 0"}, {"Color Mode", "\"COLOR\""}, {"Quality", "\"FINE  \""}}},
      {"cameras/nikon-e950.jpg",  // old layout
       {{"FamilyID", "\"08.00\""}, {"Quality", "2 Mpixel Fine"}, {"ColorMode", "Color"}, {"ImageAdjustment", "Contrast+"},
        {"ISOSpeed", "ISO80"}, {"WhiteBalance", "Auto"}}},
      {"cameras/et_NikonD70.jpg",  // newer layout
       {{"Family ID", "\"0210\""}, {"ISO Speed", "0, 200"}, {"Quality", "\"FINE   \""}}},
      {"cameras/87_OSError.jpg",  // newer layout, Motorola note in an Intel file
       {{"Family ID", "\"0210\""}, {"ISO Speed", "0, 1000"}, {"Quality", "\"NORMAL \""}}},
  };
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.file);
    TimgData data(255);
    ASSERT_TRUE(data.ReadFile(test::TestData(c.file)));
    ASSERT_TRUE(data.ExifInfo);
    TImageInfo& info = *data.ExifInfo;
    EXPECT_TRUE(info.HasMakerNote);
    Pairs got;
    TTagEntry e;
    while (got.size() < c.first.size() && info.NextTag(1, e)) got.emplace_back(e.Description, e.Value);
    EXPECT_EQ(got, c.first);
  }
}

TEST(MakerNotesFilesTest, NikonLensInformationAndUnrecognisedMakers) {
  PIXALDO_NEEDS_SAMPLES();
  TimgData data(255);
  ASSERT_TRUE(data.ReadFile(test::TestData("cameras/et_NikonD70.jpg")));
  EXPECT_EQ(data.ExifInfo->GetTagByDescription("Lens information").Value, "180/10, 700/10, 35/10, 45/10");
  EXPECT_EQ(data.ExifInfo->GetTagByDescription("Lens information").Group, 1);

  ASSERT_TRUE(data.ReadFile(test::TestData("cameras/Konica_Minolta_DiMAGE_Z3.jpg")));  // "KONIC"
  EXPECT_FALSE(data.ExifInfo->HasMakerNote);
  ASSERT_TRUE(data.ReadFile(test::TestData("cameras/Pentax_K10D.jpg")));
  EXPECT_FALSE(data.ExifInfo->HasMakerNote);
}

}  // namespace
}  // namespace pixaldo
