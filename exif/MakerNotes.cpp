// Recognising the maker, walking maker-note directories, Canon decoders.
#include "exif/MakerNotes.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "exif/ExifFormat.h"

namespace pixaldo {

namespace {

thread_local TImageInfo* currentReader = nullptr;

// Sets the current reader for the length of one decode.
class CurrentReaderScope {
 public:
  explicit CurrentReaderScope(TImageInfo* reader) : previous_(currentReader) { currentReader = reader; }
  ~CurrentReaderScope() { currentReader = previous_; }

 private:
  TImageInfo* previous_;
};

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return out;
}

std::string_view Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return s.substr(b, e - b);
}

// How one maker's note is laid out (see ReadMakerNote).
struct NoteLayout {
  std::span<const MakerTagRow> table;
  int32_t lastRow;
  int32_t fallbackBase;   // A
  int32_t offsetAdjust;   // Q
  int32_t directoryOffset;  // C
  enum class Order { Reader, Intel, OwnHeader } order = Order::Reader;
};

}  // namespace

TImageInfo* CurrentMakerReader() { return currentReader; }

// ---------------------------------------------------------------------------
// Recognising the maker

namespace {

// The newer Nikon layout (the note carries its own TIFF header): EXIF
// version above "0210", or a TIFF file of a "D" model without one.
bool NikonNewerLayout(const TImageInfo& owner, bool isTiff) {
  if (owner.ExifVersion > std::string("0210")) return true;
  if (!owner.ExifVersion.empty() || !isTiff) return false;
  const std::string& model = owner.CameraModel;
  size_t blank = model.find(' ');
  size_t at = blank == std::string::npos ? 0 : blank + 1;
  return at < model.size() && model[at] == 'D';
}

std::optional<NoteLayout> ChooseLayout(const TImageInfo& owner, bool isTiff) {
  const std::string maker = Upper(std::string_view(owner.CameraMake).substr(0, 5));
  const int32_t m = owner.MakerNotePos;
  if (maker == "NIKON") {
    if (NikonNewerLayout(owner, isTiff)) return NoteLayout{NikonTagTable, 27, 0, 9, 18, NoteLayout::Order::OwnHeader};
    if (owner.MakerNote.compare(0, 5, "Nikon") == 0) return NoteLayout{NikonOldTagTable, 10, 0, m, 8};
    return NoteLayout{NikonTagTable, 27, 0, m - 8, 0};
  }
  if (maker == "OLYMP") return NoteLayout{OlympusTagTable, 32, 9, m, 8};
  if (maker == "CASIO") return NoteLayout{CasioTagTable, 25, 0, m - 8, 0};
  if (maker == "FUJIF") return NoteLayout{FujifilmTagTable, 17, 0, 13, 12, NoteLayout::Order::Intel};
  if (maker == "CANON") return NoteLayout{CanonTagTable, 15, 0, m - 8, 0};
  if (maker == "SEIKO") return NoteLayout{SeikoTagTable, 11, 0, m, 8};
  if (maker == "SANYO") return NoteLayout{SanyoTagTable, 5, 0, m, 8};
  if (maker == "MINOL") return NoteLayout{MinoltaTagTable, 1, 0, m - 8, 0};
  return std::nullopt;
}

}  // namespace

bool TmsInfo::ReadMakerNote() {
  if (!Owner) return false;
  CurrentReaderScope scope(Owner);
  auto layout = ChooseLayout(*Owner, IsTiff);
  if (!layout) return false;
  const bool savedOrder = Owner->BigEndian;
  if (layout->order == NoteLayout::Order::Intel) Owner->BigEndian = false;  // Fujifilm notes
  if (layout->order == NoteLayout::Order::OwnHeader) {
    // The newer Nikon note carries its own TIFF header at byte 10, whose byte
    // order may differ from the EXIF block's (II files with an MM note exist).
    const std::string& note = Owner->MakerNote;
    const std::string_view order = note.size() >= 12 ? std::string_view(note).substr(10, 2) : std::string_view();
    if (order == "II" || order == "MM") Owner->BigEndian = order == "MM";
  }
  const std::string note = Owner->MakerNote;
  Owner->ParseMakerDirectory(note, layout->table, layout->fallbackBase, layout->offsetAdjust,
                             layout->directoryOffset, layout->lastRow);
  Owner->BigEndian = savedOrder;
  return true;
}

// ---------------------------------------------------------------------------
// Walking a maker-note directory

namespace {

std::string Quoted(std::string_view bytes) { return "\"" + std::string(bytes) + "\""; }

// 1-based range [pos, pos + size) lies inside `bytes`.
bool Inside(const std::string& bytes, int64_t pos, int64_t size) {
  return pos >= 1 && size >= 0 && pos - 1 + size <= int64_t(bytes.size());
}

int32_t FindMakerRow(std::span<const MakerTagRow> table, int32_t lastRow, uint16_t tag) {
  const int32_t last = std::min<int32_t>(lastRow, int32_t(table.size()) - 1);
  for (int32_t r = 0; r <= last; ++r)
    if (table[size_t(r)].Dataset == tag) return r;
  return -1;
}

}  // namespace

void TImageInfo::ParseMakerDirectory(const std::string& note, std::span<const MakerTagRow> table,
                                     int32_t fallbackBase, int32_t offsetAdjust, int32_t directoryOffset,
                                     int32_t lastRow) {
  const std::string savedBuffer = Buffer;
  Buffer = note;
  const int64_t base = int64_t(directoryOffset) - offsetAdjust + 2;
  try {
    auto entries = Read16(int64_t(directoryOffset) + 1);
    for (int64_t i = 0; entries && i < *entries && makerEntriesLeft_ > 0; ++i, --makerEntriesLeft_) {
      const int64_t p = int64_t(directoryOffset) + 3 + 12 * i;
      auto tag = Read16(p);
      auto type = Read16(p + 2);
      auto countField = Read32(p + 4);
      if (!tag || !type || !countField) break;  // the directory runs past the note's end
      const int64_t size = int64_t(static_cast<uint32_t>(*countField)) * BytesPerFormat(*type);

      const int32_t r = FindMakerRow(table, lastRow, *tag);
      if (r < 0) continue;  // unknown tags are not kept
      const MakerTagRow& row = table[size_t(r)];
      if (Upper(row.Description) == "SKIP") continue;

      int64_t offset = 0, valuePos = p + 8;
      if (size > 4) {
        auto o = Read32(p + 8);
        if (!o) continue;
        offset = *o;
        valuePos = offset + base;
      }
      // The value from the note, or (when it does not fit there) from the EXIF
      // segment at fallbackBase + offset; a value in neither is passed over.
      if (!RawBudgetLeft(size)) continue;
      std::string raw;
      const std::string& segment = ExifSegmentBytes();
      if (Inside(note, valuePos, size))
        raw = note.substr(size_t(valuePos - 1), size_t(size));
      else if (size > 4 && Inside(segment, fallbackBase + offset, size))
        raw = segment.substr(size_t(fallbackBase + offset - 1), size_t(size));
      else
        continue;
      rawBytesKept_ += int64_t(raw.size());

      std::string display;
      if (*type == 2) {
        display = Quoted(std::string_view(raw).substr(0, raw.find('\0')));
      } else if (*type == 7) {
        display = Quoted(raw);
      } else {
        try {
          display = FormatValue(raw, *type, row.Codes, "", BigEndian);
        } catch (const std::exception&) {
          display = Quoted(raw);
        }
      }
      if (row.Formatter) row.Formatter(display);

      TTagEntry entry;
      entry.Group = 1;
      entry.Dataset = row.Dataset;
      entry.Name = row.Name;
      entry.Description = row.Description;
      entry.Codes = row.Codes;
      entry.Formatter = row.Formatter;
      entry.Value = display;
      entry.RawValue = raw;
      entry.ValueType = *type;
      AddTag(entry);
    }
  } catch (const std::exception& e) {
    if (Container) Container->ErrorText = std::string(kErrorDetected) + e.what();
  }
  Buffer = savedBuffer;
}

void TImageInfo::AddMakerTag(const std::string& name, const std::string& value) {
  TTagEntry entry;
  entry.Group = 1;
  entry.ValueType = 2;
  entry.Name = name;
  entry.Description = name;
  entry.Value = value;
  entry.RawValue = value;
  entry.MaxSize = static_cast<int32_t>(value.size());
  Tags.push_back(entry);
}

// ---------------------------------------------------------------------------
// Canon decoders

namespace {

// One setting taken from a field (1-based, split at ","); with a code list it
// is decoded, without one it is taken as it stands.
struct CanonSetting {
  const char* name;
  int field;
  const char* codes;  // null: plain
};

constexpr CanonSetting kCanonCameraSettings[] = {
    {"Macro mode", 2, "1:Macro,2:Normal"},
    {"Self Timer", 2, nullptr},
    {"Compression Rate", 4, "0:SuperFine,1:Fine,2:Normal,3:Basic,5:SuperFine"},
    {"Flash Mode", 5,
     "0:Not fired,1:Auto,2:On,3:Red-eye,4:Slow sync,5:Auto+red-eye,6:On+red eye,16:External flash"},
    {"Drive Mode", 6, "0:Single,1:Continuous"},
    {"Focus Mode", 8, "0:One-Shot,1:AI Servo,2:AI Focus,3:MF,4:Single,5:Continuous,6:MF"},
    {"Image Size", 11, "0:Large,1:Medium,2:Small,4:5MPixel,5:2 MPixel,6:1.5 MPixel"},
    {"Easy Shoot", 12,
     "0:Full Auto,1:Manual,2:Landscape,3:Fast Shutter,4:Slow Shutter,5:Night,6:B&W,7:Sepia,8:Portrait,"
     "9:Sports,10:Macro/Close-Up,11:Pan Focus"},
    {"Contrast", 14, "65535:Low,0:Normal,1:High"},
    {"Saturation", 15, "65535:Low,0:Normal,1:High"},
    {"Sharpness", 16, "65535:Low,0:Normal,1:High"},
    {"CCD ISO", 17, "0:Not used,15:auto,16:50,17:100,18:200,19:400"},
    {"Metering Mode", 18, "65535:Low,0:Normal,1:High"},
    {"AF Point", 20, "65535:Low,0:Normal,1:High"},
    {"Exposure Mode", 21, "65535:Low,0:Normal,1:High"},
    {"Long focal", 24, nullptr},
    {"Short focal", 25, nullptr},
    {"Focal Units", 26, nullptr},
    {"Flash Details", 29, nullptr},
    {"Focus Mode", 33, "65535:Low,0:Normal,1:High"},
};

constexpr CanonSetting kCanonShotInformation[] = {
    {"White balance", 8, "0:Auto,1:Sunny,2:Cloudy,3:Tungsten,4:Flourescent,5:Flash,6:Custom"},
    {"Sequence Number", 9, nullptr},
    {"OpticalZoom Step", 11, nullptr},
    {"AF point", 14, nullptr},
    {"Flash bias", 16,
     "65472:-2 EV,65484:-1.67 EV,65488:-1.50 EV,65492:-1.33 EV,65504:-1 EV,65516:-0.67 EV,65520:-0.50 EV,"
     "65524:-0.33 EV,0:0 EV,12:0.33 EV,16:0.50 EV,20:0.67 EV,32:1 EV,44:1.33 EV,48:1.50 EV,52:1.67 EV,"
     "64:2 EV"},
    {"Distance", 19, nullptr},
};

struct CanonFunction {
  const char* name;
  const char* codes;
};

// Custom functions 1 to 15.
constexpr CanonFunction kCanonCustomFunctions[] = {
    {"Noise Reduction", "0: Off,1: On"},
    {"Shutter AE Lock Button", "0:AF/AE lock,1:AE lock/AF,2:AF/AF lock,3:AE+release/AE+AF"},
    {"Mirror Lockup", "0:Disable,1:Enable"},
    {"Exposure Level", "0:1/2 stop,1:1/3 stop"},
    {"AF Assist", "0:On (auto),1:Off"},
    {"AV Shutter Speed", "0:Automatic,1: 1/200 (fixed)"},
    {"AEB Sequence", "0:0, -, + / Enabled1: 0, -, + / Disabled,2: -, 0, + / Enabled,3: -, 0, + / Disabled"},
    {"Shutter Sync", "0:1st-curtain sync,1: 2nd-curtain sync"},
    {"Lens AF Button", "0:AF stop,1:Operate AF,2:Lock AE and start timer"},
    {"Fill Flash Reduction", "0:Enable,1:Disable"},
    {"Menu Return", "0:Top,1:Previous (volatile),2:Previous"},
    {"Set Button", "0:Not assigned,1:Change quality,2:Change ISO speed,3:Select parameters"},
    {"Sensor Cleaning", "0:Disable,1:Enable"},
    {"Superimposed Display", "0: On,1: Off"},
    {"Shutter Release w/o CF Card", "0:Enable,1:Disable"},
};

// The parts of a text split at ","; field n is parts[n - 1].
std::vector<std::string_view> Fields(std::string_view text) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    size_t comma = text.find(',', start);
    parts.push_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return parts;
}

std::string_view FieldAt(const std::vector<std::string_view>& fields, int n) {
  return n >= 1 && size_t(n) <= fields.size() ? fields[size_t(n - 1)] : std::string_view();
}

void AddCanonSettings(const std::string& text, std::span<const CanonSetting> settings) {
  TImageInfo* reader = CurrentMakerReader();
  if (!reader) return;
  const auto fields = Fields(text);
  for (const CanonSetting& s : settings) {
    std::string_view field = FieldAt(fields, s.field);
    if (s.codes) {
      std::string label = DecodeCode(s.codes, field);
      if (!Trim(label).empty()) reader->AddMakerTag(s.name, label);
    } else if (!Trim(field).empty()) {
      reader->AddMakerTag(s.name, std::string(field));
    }
  }
}

// A field as an integer (leading blanks allowed); nothing when it is not one.
std::optional<int64_t> FieldInteger(std::string_view field) {
  size_t b = 0;
  while (b < field.size() && field[b] == ' ') ++b;
  field.remove_prefix(b);
  if (!field.empty() && field[0] == '+') field.remove_prefix(1);
  int64_t v = 0;
  auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), v);
  if (ec != std::errc() || end != field.data() + field.size() || field.empty()) return std::nullopt;
  return v;
}

}  // namespace

std::string DecodeCanonCameraSettings(const std::string& text) {
  AddCanonSettings(text, kCanonCameraSettings);
  return text;
}

std::string DecodeCanonShotInformation(const std::string& text) {
  AddCanonSettings(text, kCanonShotInformation);
  return text;
}

std::string DecodeCanonCustomFunctions(const std::string& text) {
  TImageInfo* reader = CurrentMakerReader();
  if (!reader) return text;
  const auto fields = Fields(text);
  // The last value (after the last ",") is never looked at.
  for (size_t i = 0; i + 1 < fields.size(); ++i) {
    auto v = FieldInteger(fields[i]);
    if (!v || *v < 0 || *v > 4095) continue;
    const int64_t function = *v / 256, setting = *v % 256;
    if (function < 1 || function > 15) continue;
    const CanonFunction& f = kCanonCustomFunctions[function - 1];
    std::string label = DecodeCode(f.codes, std::to_string(setting));
    if (!Trim(label).empty()) reader->AddMakerTag(f.name, label);
  }
  return text;
}

}  // namespace pixaldo
