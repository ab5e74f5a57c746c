#include "iptc/IptcRecord.h"

#include <algorithm>
#include <array>

#include "iptc/IptcDatasets.h"
#include "platform/ByteOrder.h"
#include "xmp/XmpPacket.h"

namespace pixaldo {
namespace {

constexpr std::string_view kPhotoshop{"Photoshop 3.0\0", 14};
constexpr std::array<std::string_view, 4> kResourceTypes = {"8BIM", "PHUT", "AgHg", "DCSR"};
constexpr uint16_t kIptcResource = 0x0404;
constexpr uint16_t kUrlListResource = 0x040B;
constexpr uint16_t kIptcDigestResource = 0x0425;
constexpr uint8_t kDatasetMarker = 0x1C;
constexpr uint8_t kCharacterSet = 90;  // dataset 1:90
constexpr std::string_view kUtf8Mark{"\x1B\x25\x47", 3};
// Record 2, dataset 0: the record version written when the record has none.
constexpr std::string_view kRecordVersion{"\x00\x02", 2};

// The datasets whose text has an XMP twin, for telling an unmarked record's
// code page from the photo's XMP texts.
struct XmpTwin {
  uint8_t Number;
  std::string XmpTexts::*Text;
};
constexpr std::array<XmpTwin, 3> kXmpTwins = {{{5, &XmpTexts::Title},
                                               {120, &XmpTexts::Description},
                                               {15, &XmpTexts::Category}}};
constexpr std::array<CodePage, 2> kUnmarkedCandidates = {CodePage::Windows1250, CodePage::Windows1252};

// ESC , A / ESC - A / ESC . A / ESC / A: ISO 8859-1 designated to G0..G3.
bool IsLatin1Mark(std::string_view value) {
  return value.size() == 3 && value[0] == '\x1B' && std::string_view(",-./").find(value[1]) != std::string_view::npos &&
         value[2] == 'A';
}

bool IsMark(const IptcDataset& dataset) { return dataset.Record == 1 && dataset.Number == kCharacterSet; }

void AppendDataset(std::string& out, uint8_t record, uint8_t number, std::string_view value) {
  out += char(kDatasetMarker);
  out += char(record);
  out += char(number);
  AppendU16(out, uint16_t(value.size()), true);
  out += value;
}

std::string FieldName(uint8_t record, uint8_t number) {
  const IptcDatasetRow* row = FindIptcRow(record, number);
  if (row && number != 0) return row->Description;
  return "dataset " + std::to_string(record) + ":" + std::to_string(number);
}

std::string Overlong(uint8_t record, uint8_t number, size_t length, const std::string& why = {}) {
  return "the " + FieldName(record, number) + " takes " + std::to_string(length) + " bytes, more than its limit of " +
         std::to_string(IptcWriteLimit(record, number)) + " bytes" + why;
}

}  // namespace

void IptcRecord::Clear() {
  datasets_.clear();
  otherResources_.clear();
  codePage_ = CodePage::Utf8;
  marked_ = false;
}

void IptcRecord::Read(const std::vector<std::string_view>& app13Payloads, const std::function<XmpTexts()>& xmpTexts) {
  Clear();
  std::string resources;
  for (std::string_view payload : app13Payloads)
    if (payload.starts_with(kPhotoshop)) resources.append(payload.substr(kPhotoshop.size()));
  ReadResources(resources);
  TellCodePage(xmpTexts);
}

void IptcRecord::ReadResources(std::string_view resources) {
  size_t pos = 0;
  while (pos + 12 <= resources.size()) {
    const std::string_view type = resources.substr(pos, 4);
    if (std::find(kResourceTypes.begin(), kResourceTypes.end(), type) == kResourceTypes.end()) break;
    const uint16_t id = *ReadU16(resources, pos + 4, true);
    // A Pascal-string name, padded to an even length.
    const size_t nameLength = static_cast<unsigned char>(resources[pos + 6]);
    const size_t sizePos = pos + 6 + ((nameLength + 2) & ~size_t(1));
    const std::optional<uint32_t> size = ReadU32(resources, sizePos, true);
    if (!size) break;
    const size_t dataStart = sizePos + 4;
    const size_t available = resources.size() - dataStart;
    const std::string_view data = resources.substr(dataStart, std::min<size_t>(*size, available));
    if (id == kIptcResource) ReadDatasets(data);
    if (*size > available) break;  // cut short: what it holds is read, nothing after it
    size_t end = dataStart + *size;
    if (end % 2 && end < resources.size()) ++end;  // data padded to an even length
    const bool emptyUrlList = id == kUrlListResource && *size == 0;
    if (id != kIptcResource && id != kIptcDigestResource && !emptyUrlList)
      otherResources_.append(resources.substr(pos, end - pos));
    pos = end;
  }
}

void IptcRecord::ReadDatasets(std::string_view data) {
  size_t pos = 0;
  // A byte other than the marker where a dataset should start ends the
  // datasets (the pad byte, or bytes that are none).
  while (pos + 5 <= data.size() && static_cast<uint8_t>(data[pos]) == kDatasetMarker) {
    IptcDataset dataset;
    dataset.Record = static_cast<uint8_t>(data[pos + 1]);
    dataset.Number = static_cast<uint8_t>(data[pos + 2]);
    const uint16_t sizeField = *ReadU16(data, pos + 3, true);
    size_t header = 5;
    size_t length = sizeField;
    if (sizeField & 0x8000) {  // extended: the field gives the length of the length
      const size_t lengthBytes = sizeField & 0x7FFF;
      if (lengthBytes == 0 || lengthBytes > 4 || pos + 5 + lengthBytes > data.size()) break;
      length = 0;
      for (size_t i = 0; i < lengthBytes; ++i) length = length << 8 | static_cast<uint8_t>(data[pos + 5 + i]);
      header += lengthBytes;
    }
    const size_t valueStart = pos + header;
    const size_t available = data.size() - valueStart;
    if (length > available) {  // cut short: the value up to the end, written again with its true length
      dataset.Stored = data.substr(valueStart);
      datasets_.push_back(std::move(dataset));
      break;
    }
    dataset.Stored = data.substr(valueStart, length);
    dataset.Raw = data.substr(pos, header + length);
    datasets_.push_back(std::move(dataset));
    pos = valueStart + length;
  }
}

void IptcRecord::TellCodePage(const std::function<XmpTexts()>& xmpTexts) {
  codePage_ = CodePage::Utf8;
  marked_ = false;
  for (const IptcDataset& dataset : datasets_) {
    if (!IsMark(dataset)) continue;
    if (dataset.Stored == kUtf8Mark) {
      marked_ = true;
    } else if (IsLatin1Mark(dataset.Stored)) {
      marked_ = true;
      codePage_ = CodePage::Latin1;
    }
    break;
  }
  if (marked_) return;
  bool nonAscii = false, utf8 = true;
  for (const IptcDataset& dataset : datasets_) {
    if (!IsIptcText(dataset.Record, dataset.Number) || !HasNonAscii(dataset.Stored)) continue;
    nonAscii = true;
    utf8 = utf8 && IsValidUtf8(dataset.Stored);
  }
  if (!nonAscii || utf8) return;
  // The code page in which the most texts read as the XMP packet has them
  // (the IPTC value may be the XMP text cut to the dataset's length).
  if (xmpTexts) {
    const XmpTexts xmp = xmpTexts();
    std::array<int, kUnmarkedCandidates.size()> matches{};
    for (const IptcDataset& dataset : datasets_) {
      if (dataset.Record != 2 || !HasNonAscii(dataset.Stored)) continue;
      for (const XmpTwin& twin : kXmpTwins) {
        const std::string& twinText = xmp.*twin.Text;
        if (twin.Number != dataset.Number || twinText.empty()) continue;
        for (size_t c = 0; c < kUnmarkedCandidates.size(); ++c) {
          const std::string decoded = DecodeText(dataset.Stored, kUnmarkedCandidates[c]).Utf8;
          if (twinText.starts_with(decoded)) ++matches[c];
        }
      }
    }
    if (matches[0] != matches[1]) {
      codePage_ = kUnmarkedCandidates[matches[0] > matches[1] ? 0 : 1];
      return;
    }
  }
  codePage_ = CurrentTextSettings().UnmarkedIptc;
}

std::string IptcRecord::Text(const IptcDataset& dataset) const {
  if (dataset.NewText) return *dataset.NewText;
  return DecodeText(dataset.Stored, IsIptcText(dataset.Record, dataset.Number) ? codePage_ : CodePage::Windows1250).Utf8;
}

std::vector<size_t> IptcRecord::IndexesOf(uint8_t record, uint8_t number) const {
  std::vector<size_t> indexes;
  for (size_t i = 0; i < datasets_.size(); ++i)
    if (datasets_[i].Record == record && datasets_[i].Number == number) indexes.push_back(i);
  return indexes;
}

std::vector<std::string> IptcRecord::Texts(uint8_t record, uint8_t number) const {
  std::vector<std::string> texts;
  for (size_t i : IndexesOf(record, number)) texts.push_back(Text(datasets_[i]));
  return texts;
}

size_t IptcRecord::PlaceFor(uint8_t record, uint8_t number) const {
  // The record version leads its record; anything else goes after the last
  // dataset of its record.
  size_t place = 0;
  for (size_t i = 0; i < datasets_.size(); ++i)
    if (number == 0 ? datasets_[i].Record < record : datasets_[i].Record <= record) place = i + 1;
  return place;
}

void IptcRecord::SetTexts(uint8_t record, uint8_t number, const std::vector<std::string>& texts) {
  if (Texts(record, number) == texts) return;  // unchanged: the bytes stay
  const std::vector<size_t> indexes = IndexesOf(record, number);
  const size_t place = indexes.empty() ? PlaceFor(record, number) : indexes.front();
  for (auto i = indexes.rbegin(); i != indexes.rend(); ++i) datasets_.erase(datasets_.begin() + ptrdiff_t(*i));
  std::vector<IptcDataset> made;
  for (const std::string& text : texts) made.push_back({record, number, {}, {}, text});
  datasets_.insert(datasets_.begin() + ptrdiff_t(place), made.begin(), made.end());
}

void IptcRecord::SetText(uint8_t record, uint8_t number, size_t n, const std::string& text) {
  const std::vector<size_t> indexes = IndexesOf(record, number);
  if (n >= indexes.size()) return Append(record, number, text);
  IptcDataset& dataset = datasets_[indexes[n]];
  if (Text(dataset) != text) dataset.NewText = text;
}

void IptcRecord::Remove(uint8_t record, uint8_t number, size_t n) {
  const std::vector<size_t> indexes = IndexesOf(record, number);
  if (n < indexes.size()) datasets_.erase(datasets_.begin() + ptrdiff_t(indexes[n]));
}

void IptcRecord::Append(uint8_t record, uint8_t number, const std::string& text) {
  const std::vector<size_t> indexes = IndexesOf(record, number);
  const size_t place = indexes.empty() ? PlaceFor(record, number) : indexes.back() + 1;
  datasets_.insert(datasets_.begin() + ptrdiff_t(place), IptcDataset{record, number, {}, {}, text});
}

CodePage IptcRecord::WriteCodePage() const {
  auto isText = [](const IptcDataset& d) { return IsIptcText(d.Record, d.Number); };
  const bool newNonAscii = std::any_of(datasets_.begin(), datasets_.end(), [&](const IptcDataset& d) {
    return isText(d) && d.NewText && HasNonAscii(*d.NewText);
  });
  if (!newNonAscii) return codePage_;
  if (CurrentTextSettings().WriteWindows1250 && !marked_) {
    const bool fits = std::all_of(datasets_.begin(), datasets_.end(), [&](const IptcDataset& d) {
      if (!isText(d)) return true;
      if (!d.NewText && !DecodeText(d.Stored, codePage_).Lossless) return false;
      return EncodeText(Text(d), CodePage::Windows1250).has_value();
    });
    if (fits) return CodePage::Windows1250;
  }
  return CodePage::Utf8;
}

std::string IptcRecord::BuildDatasets() const {
  const CodePage target = WriteCodePage();
  const bool recoded = target != codePage_;
  const bool utf8Before = marked_ && codePage_ == CodePage::Utf8;
  struct Written {
    uint8_t Record;
    std::string Bytes;
  };
  std::vector<Written> written;
  bool nonAscii = false, hasVersion = false, newNonAscii = false;
  for (const IptcDataset& dataset : datasets_) {
    const bool text = IsIptcText(dataset.Record, dataset.Number);
    hasVersion = hasVersion || (dataset.Record == 2 && dataset.Number == 0);
    std::string bytes;
    if (dataset.NewText) {
      newNonAscii = newNonAscii || (text && HasNonAscii(*dataset.NewText));
      const std::optional<std::string> encoded =
          text ? EncodeText(*dataset.NewText, target)
               : EncodeText(*dataset.NewText, CodePage::Windows1250).value_or(*dataset.NewText);
      if (!encoded) throw IptcRefusal("the " + FieldName(dataset.Record, dataset.Number) + " is not valid UTF-8 text");
      if (encoded->size() > IptcWriteLimit(dataset.Record, dataset.Number)) {
        const std::optional<std::string> before = EncodeText(*dataset.NewText, CodePage::Windows1250);
        const bool byUtf8 = target == CodePage::Utf8 && before &&
                            before->size() <= IptcWriteLimit(dataset.Record, dataset.Number);
        throw IptcRefusal(Overlong(dataset.Record, dataset.Number, encoded->size(),
                                   byUtf8 ? " once the record is written in UTF-8" : ""));
      }
      AppendDataset(bytes, dataset.Record, dataset.Number, *encoded);
    } else if (recoded && text && HasNonAscii(dataset.Stored)) {
      const DecodedText decoded = DecodeText(dataset.Stored, codePage_);
      const std::optional<std::string> encoded = EncodeText(decoded.Utf8, target);
      if (!decoded.Lossless || !encoded)
        throw IptcRefusal("the " + FieldName(dataset.Record, dataset.Number) + " cannot be converted from " +
                          CodePageName(codePage_) + " to " + CodePageName(target) + " without loss");
      if (encoded->size() > IptcWriteLimit(dataset.Record, dataset.Number) &&
          (dataset.Stored.size() <= IptcWriteLimit(dataset.Record, dataset.Number) || encoded->size() > 0x7FFF))
        throw IptcRefusal(Overlong(dataset.Record, dataset.Number, encoded->size(),
                                   " once the record is written in " + std::string(CodePageName(target))));
      AppendDataset(bytes, dataset.Record, dataset.Number, *encoded);
    } else if (IsMark(dataset) && recoded) {
      continue;  // the mark of the old character set
    } else {
      bytes = dataset.Raw.empty() ? std::string() : dataset.Raw;
      if (dataset.Raw.empty()) AppendDataset(bytes, dataset.Record, dataset.Number, dataset.Stored);
    }
    nonAscii = nonAscii || (text && HasNonAscii(bytes.substr(5)));
    written.push_back({dataset.Record, std::move(bytes)});
  }
  // The mark ends record 1 and the version leads record 2; every other
  // dataset stays where it stood, in order.
  auto insertBefore = [&written](auto where, uint8_t record, uint8_t number, std::string_view value) {
    std::string bytes;
    AppendDataset(bytes, record, number, value);
    written.insert(std::find_if(written.begin(), written.end(), where), {record, std::move(bytes)});
  };
  // The UTF-8 mark, in place of any other, when the write gives the record
  // UTF-8 text that was not marked so before.
  if (target == CodePage::Utf8 && nonAscii && !utf8Before && (recoded || newNonAscii)) {
    std::erase_if(written, [](const Written& w) { return w.Bytes[1] == 1 && uint8_t(w.Bytes[2]) == kCharacterSet; });
    insertBefore([](const Written& w) { return w.Record > 1; }, 1, kCharacterSet, kUtf8Mark);
  }
  if (!hasVersion) insertBefore([](const Written& w) { return w.Record >= 2; }, 2, 0, kRecordVersion);
  std::string out;
  for (const Written& w : written) out += w.Bytes;
  return out;
}

}  // namespace pixaldo
