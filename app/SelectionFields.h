#pragma once
// The info panel's fields for several selected photos: each text field shows
// the text they share, or stays empty marked "(different values)"; the
// keywords field shows the keywords every one of them has, the stars their
// rating when they share it. A field typed into is written to every photo
// (the keywords as a change: those added are added to each, those deleted
// are removed from each, the photo's other keywords stay); an untouched
// field is left as each photo has it. A rating set goes to all of them.
// Each change is one command of the selection's runner (progress, Cancel,
// Undo).
#include <QObject>
#include <QStringList>
#include <array>
#include <filesystem>

#include "app/IptcEdits.h"

namespace pixaldo {

class TFormMain;
class TInfoPane;

// Sets the photo's rating (0 removes it) under its lock; whether it changed.
bool WriteRating(const std::filesystem::path& file, int stars, bool keepDate);

class TSelectionFields : public QObject {
  Q_OBJECT

 public:
  TSelectionFields(TFormMain& form, TInfoPane& pane);

  // The fields show the selection's values (not one photo's).
  bool ShowsSeveral() const { return !files_.isEmpty(); }
  const QStringList& Files() const { return files_; }
  // Shows what these photos share.
  void Show(const QStringList& files);
  // Back to one photo's fields: the marks go.
  void Leave();
  // Writes the fields typed into to every photo they were shown for;
  // false when a text cannot be stored.
  bool WriteEdits();
  void SetRating(int stars);
  void ApplyTexts();

 private:
  void MarkDifferent(int field, bool different);

  TFormMain& Form;
  TInfoPane& Pane;
  QStringList files_;  // the photos the fields show
  std::array<bool, kIptcFieldCount> different_{};
};

}  // namespace pixaldo
