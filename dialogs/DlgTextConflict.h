#pragma once
// TTextConflictDialog: asked when the user saves fields that another
// program changed too since they were shown. Each such field has a row
// with its name and two choices, the user's text (chosen at first) and the
// text the file holds now; OK or closing the window takes the choices.
//
//   TTextConflictDialog dialog(file, {{tr("Title"), mine, theirs}}, parent);
//   dialog.exec();
//   const bool keepMine = dialog.KeepEdited(0);
#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "photo_record/SaveMerge.h"

class QRadioButton;

namespace pixaldo {

class TTextConflictDialog : public QDialog {
  Q_OBJECT
 public:
  struct Row {
    QString Field;    // the field's name
    QString Edited;   // what the user typed
    QString Current;  // what the file holds now
  };
  TTextConflictDialog(const QString& file, const std::vector<Row>& rows, QWidget* parent = nullptr);

  // Whether the user's text of row `row` is kept.
  bool KeepEdited(size_t row) const;
  // The choice buttons of each row, for tests (object names
  // "KeepEdited<row>" and "KeepCurrent<row>").
  QRadioButton* EditedChoice(size_t row) const { return choices_.at(row).first; }
  QRadioButton* CurrentChoice(size_t row) const { return choices_.at(row).second; }

 private:
  std::vector<std::pair<QRadioButton*, QRadioButton*>> choices_;
};

// Runs the dialog for the conflicts of a save (fields named by their index
// into `fieldNames`, captions whose "&" is dropped; texts turned into
// QStrings by `decode`) and sets each
// conflict's KeepEdited as the user chose.
void AskWhichTextToKeep(QWidget* parent, const QString& file, const std::vector<QString>& fieldNames,
                        const std::function<QString(const std::string&)>& decode,
                        std::vector<FieldConflict>& conflicts);

}  // namespace pixaldo
