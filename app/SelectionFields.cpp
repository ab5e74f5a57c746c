#include "app/SelectionFields.h"

#include <optional>

#include "app/BatchRun.h"
#include "app/InfoPane.h"
#include "app/MainForm.h"
#include "app/RatingStars.h"
#include "app/SelectionCommands.h"
#include "photo_record/JpegBasicObject.h"
#include "photo_record/Keywords.h"
#include "platform/FileLock.h"
#include "platform/FileSystem.h"
#include "platform/gui/UserMessages.h"
#include "settings/gui/DlgOptions.h"

namespace pixaldo {
namespace {

template <class Tags>
auto& TextOf(Tags& tags, int field) {
  return field == kIptcCategory ? tags.Category : field == kIptcObjectName ? tags.ObjectName : tags.ImageCaption;
}

std::optional<TMyIptcTags> FieldsOf(const QString& file) {
  try {
    TJpegBasicObject record(QStringToPath(file));
    record.ReadTags();
    return record.IptcFields;
  } catch (const std::exception&) {
    return std::nullopt;  // a damaged photo has no say
  }
}

}  // namespace

bool WriteRating(const std::filesystem::path& file, int stars, bool keepDate) {
  const PhotoLock lock(file, keepDate);
  TJpegBasicObject current(file);
  current.ReadTags();
  if (current.IptcFields.Rating == stars) return false;
  TMyIptcTags fields;
  fields.Rating = stars;
  TFieldEdits edits;
  edits.Rating = true;
  current.WriteFields(fields, edits);
  return true;
}

TSelectionFields::TSelectionFields(TFormMain& form, TInfoPane& pane) : QObject(&pane), Form(form), Pane(pane) {}

void TSelectionFields::Show(const QStringList& files) {
  TMyIptcTags common;
  std::vector<std::vector<std::string>> keywords;
  different_ = {};
  bool ratingDifferent = false, first = true;
  for (const QString& file : files) {
    std::optional<TMyIptcTags> tags = FieldsOf(file);
    if (!tags) continue;
    for (int field = 0; field < 3; ++field) {
      if (first)
        TextOf(common, field) = TextOf(*tags, field);
      else if (TextOf(common, field) != TextOf(*tags, field))
        different_[size_t(field)] = true;
    }
    if (!first && tags->Rating != common.Rating) ratingDifferent = true;
    if (first) common.Rating = tags->Rating;
    if (!keywords.empty() && tags->Keywords != keywords.front()) different_[kIptcKeywords] = true;
    keywords.push_back(tags->Keywords);
    first = false;
  }
  for (int field = 0; field < 3; ++field)
    if (different_[size_t(field)]) TextOf(common, field).clear();
  common.Keywords = TKeywords::Common(keywords);
  if (ratingDifferent) common.Rating = 0;
  Pane.ShowTexts(common);
  Pane.Stars->SetRating(common.Rating, ratingDifferent);
  for (int field = 0; field < kIptcFieldCount; ++field) MarkDifferent(field, different_[size_t(field)]);
  files_ = files;
}

void TSelectionFields::Leave() {
  files_.clear();
  different_ = {};
  for (int field = 0; field < kIptcFieldCount; ++field) MarkDifferent(field, false);
}

void TSelectionFields::ApplyTexts() {
  for (int field = 0; field < kIptcFieldCount; ++field) MarkDifferent(field, different_[size_t(field)]);
}

void TSelectionFields::MarkDifferent(int field, bool different) {
  const QString mark = different ? ProgramText(229, "(different values)") : QString();
  if (field == kIptcCategory && Pane.CBox1->lineEdit()) Pane.CBox1->lineEdit()->setPlaceholderText(mark);
  if (field == kIptcObjectName) Pane.Edit2->setPlaceholderText(mark);
  if (field == kIptcCaption) Pane.Memo3->setPlaceholderText(mark);
  if (field == kIptcKeywords) Pane.EditKeywords->setPlaceholderText(mark);
}

bool TSelectionFields::WriteEdits() {
  TIptcEdits& rules = Pane.IptcRules;
  const IptcTexts shown = Pane.ShownIptc();
  const TIptcEdits::Outcome outcome = rules.Prepare(shown);
  if (outcome.What == TIptcEdits::Outcome::Nothing) return true;
  if (outcome.What == TIptcEdits::Outcome::Unstorable) {
    if (rules.FirstRefusal(shown)) ShowFileError(&Form, QStringToPath(files_.value(0)), Pane.RefusalText(outcome.Field));
    Pane.ReturnToRefusedField(outcome.Field);
    return false;
  }
  // Only the fields typed into are written; the others keep each photo's own.
  std::array<std::optional<std::string>, 3> typed;
  for (int field = outcome.KeywordsOnly ? 3 : 0; field < 3; ++field)
    if (shown[size_t(field)] != rules.Loaded()[size_t(field)]) {
      typed[size_t(field)] = TextOf(outcome.Fields, field);
      MarkDifferent(field, false);
    }
  const bool keywordsTyped = shown[kIptcKeywords] != rules.Loaded()[kIptcKeywords];
  const std::vector<std::string> before = TIptcEdits::KeywordsOf(rules.Loaded()[kIptcKeywords]);
  const std::vector<std::string> after = outcome.Fields.Keywords;
  const bool keepDate = Form.ReadSettings().OriginalFileDate;
  rules.Written(shown);
  const QStringList files = files_;
  // The start flushes the fields again: they are written by now.
  files_.clear();
  Form.Selection->Start(ProgramText(183, "IPTC fields"), [=](const std::filesystem::path& file, UndoStore* undo) {
    WithUndo(undo, file, [&] {
      const PhotoLock lock(file, keepDate);
      TJpegBasicObject current(file);
      current.ReadTags();
      TMyIptcTags tags = current.IptcFields;
      bool changed = false;
      for (int field = 0; field < 3; ++field)
        if (typed[size_t(field)] && TextOf(tags, field) != *typed[size_t(field)]) {
          TextOf(tags, field) = *typed[size_t(field)];
          changed = true;
        }
      TFieldEdits edits;
      if (keywordsTyped) {
        std::vector<std::string> list = TKeywords::Changed(tags.Keywords, before, after);
        edits.Keywords = list != tags.Keywords;
        tags.Keywords = std::move(list);
      }
      if (!changed && !edits.Keywords) return false;
      TJpegBasicObject(file).WriteFields(tags, edits);
      return true;
    });
  }, files);
  files_ = files;
  return true;
}

void TSelectionFields::SetRating(int stars) {
  const bool keepDate = Form.ReadSettings().OriginalFileDate;
  Pane.Stars->SetRating(stars);
  const QStringList files = files_;
  Form.Selection->Start(Pane.Stars->accessibleName(), [=](const std::filesystem::path& file, UndoStore* undo) {
    WithUndo(undo, file, [&] { return WriteRating(file, stars, keepDate); });
  }, files);
}

}  // namespace pixaldo
