#include "app/IptcEdits.h"

#include "app/BatchRun.h"
#include "iptc/IptcData.h"
#include "platform/Cp1250.h"

namespace pixaldo {
namespace {

// The caption field shows line breaks as "\n"; the file keeps them as CR LF.
QString CaptionFromStored(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }
QString CaptionToStored(QString text) { return text.replace(QStringLiteral("\n"), QStringLiteral("\r\n")); }

std::array<std::string TMyIptcTags::*, 3> kStoredFields{&TMyIptcTags::Category, &TMyIptcTags::ObjectName,
                                                        &TMyIptcTags::ImageCaption};
constexpr std::array<const char*, 3> kDatasetNames{"Category", "ObjectName", "ImageCaption"};

// Whether a text fits its field's dataset: title and caption have a limit in
// bytes (a character a byte while the text fits Windows-1250, its UTF-8
// length otherwise); the category has none the program holds it to.
bool FitsItsDataset(int field, const QString& text) {
  if (field == kIptcCategory) return true;
  const std::string utf8 = text.toStdString();
  const Cp1250Result cp1250 = Utf8ToCp1250(utf8);
  const size_t stored = cp1250.ok() ? cp1250.bytes.size() : utf8.size();
  return stored <= size_t(IptcDatasetTable[size_t(TIPTCdata::TableIndexOf(kDatasetNames[field]))].MaxSize);
}

// The three texts, then the keywords joined as the field shows them.
std::vector<std::string> FieldsOf(const TMyIptcTags& tags) {
  std::vector<std::string> fields;
  for (const auto member : kStoredFields) fields.push_back(tags.*member);
  fields.push_back(TKeywords::Joined(tags.Keywords));
  return fields;
}

TMyIptcTags TagsOf(const std::vector<std::string>& fields) {
  TMyIptcTags tags;
  for (size_t field = 0; field < kStoredFields.size(); ++field) tags.*kStoredFields[field] = fields[field];
  tags.Keywords = TKeywords::Split(fields[kIptcKeywords]);
  return tags;
}

}  // namespace

// The IPTC record holds any character (it turns UTF-8 when it must), so the
// fields store their text as UTF-8.
TIptcEdits::TIptcEdits()
    : TIptcEdits([](const QString& text) { return std::optional<std::string>(text.toStdString()); },
                 [](const std::string& text) { return QString::fromStdString(text); }) {}

TIptcEdits::TIptcEdits(Encoder encode, Decoder decode) : encode_(std::move(encode)), decode_(std::move(decode)) {}

IptcTexts TIptcEdits::Load(const TMyIptcTags& stored, const std::filesystem::path& file) {
  stored_.Remember(file, FieldsOf(stored));
  for (int field = 0; field < 3; ++field) loaded_[field] = decode_(stored.*kStoredFields[field]);
  loaded_[kIptcKeywords] = decode_(TKeywords::Joined(stored.Keywords));
  loaded_[kIptcCaption] = CaptionFromStored(loaded_[kIptcCaption]);
  refused_.reset();
  return loaded_;
}

TIptcEdits::Outcome TIptcEdits::Prepare(const IptcTexts& shown) const {
  Outcome outcome;
  if (!Edited(shown)) return outcome;
  const bool keywordsEdited = shown[kIptcKeywords] != loaded_[kIptcKeywords];
  outcome.KeywordsOnly = shown[0].isEmpty() && shown[1].isEmpty() && shown[2].isEmpty();
  if (outcome.KeywordsOnly && !keywordsEdited) return outcome;
  for (int field = 0; field < 3; ++field) {
    const QString text = field == kIptcCaption ? CaptionToStored(shown[field]) : shown[field];
    const std::optional<std::string> bytes = encode_(text);
    if (!bytes || !FitsItsDataset(field, text)) {
      outcome.What = Outcome::Unstorable;
      outcome.Field = field;
      return outcome;
    }
    outcome.Fields.*kStoredFields[field] = *bytes;
  }
  const std::optional<std::string> keywords = encode_(shown[kIptcKeywords]);
  if (keywords) outcome.Fields.Keywords = TKeywords::Split(*keywords);
  if (!keywords || !TKeywords::Problem(outcome.Fields.Keywords).empty()) {
    outcome.What = Outcome::Unstorable;
    outcome.Field = kIptcKeywords;
    return outcome;
  }
  outcome.What = Outcome::Write;
  return outcome;
}

bool TIptcEdits::FirstRefusal(const IptcTexts& shown) {
  if (refused_ == shown) return false;
  refused_ = shown;
  return true;
}

std::vector<std::optional<std::string>> TIptcEdits::Edits(const IptcTexts& shown, const Outcome& outcome) const {
  std::vector<std::optional<std::string>> edits(kIptcFieldCount);
  const std::vector<std::string> prepared = FieldsOf(outcome.Fields);
  for (size_t field = outcome.KeywordsOnly ? kIptcKeywords : 0; field < edits.size(); ++field)
    if (shown[field] != loaded_[field]) edits[field] = prepared[field];
  return edits;
}

TMyIptcTags TIptcEdits::Save(const std::filesystem::path& file, const IptcTexts& shown, const Outcome& outcome,
                             bool keepDate, const AskWhichText& ask, const std::function<UndoStore*()>& undo) const {
  std::optional<TJpegBasicObject> record;
  const std::vector<std::optional<std::string>> edits = Edits(shown, outcome);
  TFieldEdits beyond;
  beyond.Keywords = edits[kIptcKeywords].has_value();
  return TagsOf(stored_.Save(
      file, keepDate, edits,
      [&] {
        record.emplace(file);
        record->ReadTags();
        return FieldsOf(record->IptcFields);
      },
      [&](const std::vector<std::string>& fields) {
        WithUndo(undo ? undo() : nullptr, file, [&] {
          record->WriteFields(TagsOf(fields), beyond);
          return true;
        });
      },
      ask));
}

}  // namespace pixaldo
