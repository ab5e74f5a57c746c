#pragma once
// The IPTC record of a photo as it is stored: the datasets of its Photoshop
// image resource 0x0404, in file order, each with its bytes. Edits replace
// the datasets they name and leave every other one as it was read; writing
// encodes only what was edited, unless the record has to change its
// character set, and then converts the rest only when that loses nothing.
//
// Character set: a record whose dataset 1:90 says UTF-8 (ESC % G) or ISO
// 8859-1 is read so. An unmarked record is read as UTF-8 when its text is
// valid UTF-8 with multi-byte sequences, else in the code page whose decoding
// matches the photo's XMP texts, else in the code page of the setting.
// A record that gets text outside ASCII is written in UTF-8 behind the mark
// (or, with the setting for older programs, in unmarked Windows-1250 while
// every text fits that code page).
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CodePage.h"

namespace pixaldo {

struct XmpTexts;

// A write the record refuses (the message names the field and the reason).
class IptcRefusal : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct IptcDataset {
  uint8_t Record = 0;
  uint8_t Number = 0;
  std::string Stored;  // the value bytes as read
  std::string Raw;     // the whole dataset as read, header included; empty when made anew or cut short
  std::optional<std::string> NewText;  // UTF-8 text set by an edit
};

class IptcRecord {
 public:
  // Reads the image resources of the APP13 payloads (the bytes after the
  // length field) that start "Photoshop 3.0", joined in file order.
  // `xmpTexts` gives the photo's XMP texts, asked only when an unmarked
  // record needs them to tell its code page.
  void Read(const std::vector<std::string_view>& app13Payloads,
            const std::function<XmpTexts()>& xmpTexts = nullptr);
  void Clear();

  const std::vector<IptcDataset>& Datasets() const { return datasets_; }
  // The code page the record was read in, and whether 1:90 named it.
  CodePage ReadCodePage() const { return codePage_; }
  bool Marked() const { return marked_; }
  // The resources other than the IPTC one, its digest and an empty URL
  // list, as read (8BIM headers included).
  const std::string& OtherResources() const { return otherResources_; }

  // The dataset's value as UTF-8 text (lossless or not).
  std::string Text(const IptcDataset& dataset) const;
  std::vector<std::string> Texts(uint8_t record, uint8_t number) const;

  // The edit: the datasets (record, number) become one dataset for each of
  // `texts`, in that order, where the first of them stood (a new one goes
  // where its number belongs); an empty list removes them.
  void SetTexts(uint8_t record, uint8_t number, const std::vector<std::string>& texts);
  // Sets the text of the n-th (0-based) of the datasets (record, number).
  void SetText(uint8_t record, uint8_t number, size_t n, const std::string& text);
  // Removes the n-th of the datasets (record, number).
  void Remove(uint8_t record, uint8_t number, size_t n);
  // Adds a dataset after the last one of its kind (or where its number belongs).
  void Append(uint8_t record, uint8_t number, const std::string& text);

  // The code page the record would be written in now.
  CodePage WriteCodePage() const;
  // The datasets as written now, record by record. Throws IptcRefusal when a
  // value is too long for its dataset or the record would have to change its
  // character set and a value cannot follow without loss.
  std::string BuildDatasets() const;

 private:
  void ReadResources(std::string_view resources);
  void ReadDatasets(std::string_view data);
  void TellCodePage(const std::function<XmpTexts()>& xmpTexts);
  // The index at which a new dataset (record, number) goes.
  size_t PlaceFor(uint8_t record, uint8_t number) const;
  std::vector<size_t> IndexesOf(uint8_t record, uint8_t number) const;

  std::vector<IptcDataset> datasets_;
  std::string otherResources_;
  CodePage codePage_ = CodePage::Utf8;
  bool marked_ = false;
};

}  // namespace pixaldo
