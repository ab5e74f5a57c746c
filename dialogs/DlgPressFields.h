#pragma once
// TPressFieldsDialog: the press fields of several photos at once, for a
// command on the selection. The page shows each field's common text, or an
// empty field marked "(different values)"; its Write button takes what was
// typed (refusing, with a message naming the field and its limit, a text
// too long), Cancel or closing the window takes nothing.
//
//   TPressFieldsDialog dialog(texts, parent);
//   if (dialog.exec() == QDialog::Accepted) write(dialog.Page()->Edited());
#include <QDialog>
#include <vector>

#include "photo_record/PressEdits.h"

namespace pixaldo {

class TPressFieldsPage;

class TPressFieldsDialog : public QDialog {
  Q_OBJECT
 public:
  TPressFieldsDialog(const std::vector<PressTexts>& photos, QWidget* parent = nullptr);
  TPressFieldsPage* Page() const { return page_; }

 private:
  void Write();
  TPressFieldsPage* page_;
};

}  // namespace pixaldo
