#pragma once
// The rules of the IPTC fields of the info panel (category, title, caption
// and the keywords, comma-separated): the texts shown for what a file holds,
// whether the user changed them, and the record to write. A field is written
// only when its text differs from what was loaded; the three texts are never
// written all empty. Text the stored encoding cannot hold, longer than its
// dataset allows, or a keyword over its limit, is not written: the caller
// keeps it in its field for the user to correct.
//
// A save puts only the edited fields into what the file holds by then:
// another program may have written the photo since it was shown (see
// photo_record/SaveMerge.h).
#include <QString>
#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "photo_record/JpegBasicObject.h"
#include "photo_record/Keywords.h"
#include "photo_record/SaveMerge.h"

namespace pixaldo {

class UndoStore;

enum IptcField : int { kIptcCategory = 0, kIptcObjectName = 1, kIptcCaption = 2, kIptcKeywords = 3 };
inline constexpr int kIptcFieldCount = 4;
using IptcTexts = std::array<QString, kIptcFieldCount>;

class TIptcEdits {
 public:
  // Turns a field's text into its stored bytes; nothing when it cannot.
  using Encoder = std::function<std::optional<std::string>(const QString&)>;
  using Decoder = std::function<QString(const std::string&)>;

  TIptcEdits();
  TIptcEdits(Encoder encode, Decoder decode);

  // The texts to show for a file's fields, remembered as loaded with the
  // file's stamp (see TShownRecord; none: the fields of no file).
  IptcTexts Load(const TMyIptcTags& stored, const std::filesystem::path& file = {});
  // The shown texts are now what the file holds.
  void Written(const IptcTexts& shown) {
    loaded_ = shown;
    refused_.reset();
  }
  const IptcTexts& Loaded() const { return loaded_; }
  // Whether any shown text differs from what was loaded.
  bool Edited(const IptcTexts& shown) const { return shown != loaded_; }

  struct Outcome {
    enum Kind { Nothing, Write, Unstorable } What = Nothing;
    TMyIptcTags Fields;     // for Write
    bool KeywordsOnly = false;  // for Write: the three texts are all empty and stay unwritten
    int Field = -1;         // for Unstorable: the first field that cannot be stored
  };
  // What leaving the fields with these texts does.
  Outcome Prepare(const IptcTexts& shown) const;
  // Whether a refusal of these texts is news to the user (it is reported
  // once, until the user is back in the field).
  bool FirstRefusal(const IptcTexts& shown);
  void RefusalSeen() { refused_.reset(); }

  // Asked when fields the user edited were changed by another program too;
  // sets each conflict's KeepEdited.
  using AskWhichText = std::function<void(std::vector<FieldConflict>&)>;
  // Writes Prepare's outcome for `shown` into `file` (the one loaded last),
  // merged with what it holds now: fields the user left as they were keep the
  // file's current text. Conflicts are asked about outside the photo's
  // lock, and the file is read again after. Returns the fields the file
  // holds afterwards, to be loaded and shown. Throws FileError. `undo`,
  // asked only when the file is to be written, gives the undo store that
  // keeps its original (or none).
  TMyIptcTags Save(const std::filesystem::path& file, const IptcTexts& shown, const Outcome& outcome, bool keepDate,
                   const AskWhichText& ask, const std::function<UndoStore*()>& undo = {}) const;
  // The keywords typed into the keywords field.
  static std::vector<std::string> KeywordsOf(const QString& text) { return TKeywords::Split(text.toStdString()); }

 private:
  Encoder encode_;
  Decoder decode_;
  // The edits among the shown texts, as Prepare stored them.
  std::vector<std::optional<std::string>> Edits(const IptcTexts& shown, const Outcome& outcome) const;

  IptcTexts loaded_;
  std::optional<IptcTexts> refused_;
  TShownRecord stored_;  // the file's fields as loaded
};

}  // namespace pixaldo
