#pragma once
// TPressFieldsPage: the eight press fields (By-line, Credit, Copyright
// notice, Headline, City, Country, Special instructions, Source), each a
// labelled line, with a button that writes them. It shows one photo's texts,
// or several photos' at once: a field they share shows its text, a field
// that differs is empty with the greyed "(different values)". Only the
// fields the user changed count as edits; the others stay as each photo
// has them. The metadata window's "IPTC" page and the press fields of a
// selection are this one widget.
#include <QWidget>
#include <array>
#include <vector>

#include "photo_record/PressEdits.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace pixaldo {

class TPressFieldsPage : public QWidget {
  Q_OBJECT

 public:
  explicit TPressFieldsPage(QWidget* parent = nullptr);

  // The fields of these photos (none: empty fields that cannot be edited).
  void ShowPhotos(const std::vector<PressTexts>& photos);
  // The fields the user changed since they were shown.
  PressEdits Edited() const;
  bool AnyEdited() const;
  // Why the edits cannot be written (the field and its limit in bytes), for
  // a message; empty when they can.
  QString Problem() const;
  // The labels, the button and the marks in the chosen language.
  void ApplyTexts();

  QLineEdit* Field(PressField field) const { return fields_[field]; }
  QPushButton* WriteButton() const { return write_; }

 signals:
  void WriteRequested();

 private:
  std::array<QLabel*, kPressFieldCount> labels_{};
  std::array<QLineEdit*, kPressFieldCount> fields_{};
  QPushButton* write_ = nullptr;
  PressTexts shown_{};
  std::array<bool, kPressFieldCount> different_{};
};

}  // namespace pixaldo
