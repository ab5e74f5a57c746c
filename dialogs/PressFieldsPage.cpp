#include "dialogs/PressFieldsPage.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/gui/DlgOptions.h"

namespace pixaldo {
namespace {

// The language keys of the field labels, in the order of kPressFields.
constexpr int kFirstLabelKey = 203;
constexpr int kWriteKey = 211;
constexpr int kDifferentKey = 212;
constexpr int kTooLongKey = 213;

QString Label(const PressFieldRow& row) {
  return ProgramText(kFirstLabelKey + int(row.Field), std::string(row.Label).c_str());
}

}  // namespace

TPressFieldsPage::TPressFieldsPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("PressFieldsPage"));
  auto* form = new QFormLayout;
  for (const PressFieldRow& row : kPressFields) {
    QLineEdit* field = fields_[row.Field] = new QLineEdit(this);
    field->setObjectName(QStringLiteral("Press") + QString::fromLatin1(row.Key.data(), qsizetype(row.Key.size())));
    labels_[row.Field] = new QLabel(this);
    labels_[row.Field]->setBuddy(field);
    form->addRow(labels_[row.Field], field);
  }
  write_ = new QPushButton(this);
  write_->setObjectName(QStringLiteral("BtnWritePress"));
  connect(write_, &QPushButton::clicked, this, &TPressFieldsPage::WriteRequested);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(write_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addStretch();
  layout->addLayout(buttons);
  ApplyTexts();
  ShowPhotos({});
}

void TPressFieldsPage::ApplyTexts() {
  for (const PressFieldRow& row : kPressFields) {
    labels_[row.Field]->setText(Label(row) + QLatin1Char(':'));
    fields_[row.Field]->setProperty("Label", Label(row));  // names the field in questions
    fields_[row.Field]->setToolTip(QStringLiteral("IPTC 2:%1, %2 B").arg(row.Dataset).arg(TPressEdits::Limit(row.Field)));
    fields_[row.Field]->setPlaceholderText(different_[row.Field] ? ProgramText(kDifferentKey, "(different values)")
                                                                 : QString());
  }
  write_->setText(ProgramText(kWriteKey, "Write"));
}

void TPressFieldsPage::ShowPhotos(const std::vector<PressTexts>& photos) {
  shown_ = {};
  different_ = {};
  for (size_t i = 0; i < photos.size(); ++i)
    for (size_t field = 0; field < kPressFieldCount; ++field) {
      if (i == 0)
        shown_[field] = photos[i][field];
      else if (photos[i][field] != shown_[field])
        different_[field] = true;
    }
  for (size_t field = 0; field < kPressFieldCount; ++field) {
    if (different_[field]) shown_[field].clear();
    fields_[field]->setText(QString::fromStdString(shown_[field]));
    fields_[field]->setEnabled(!photos.empty());
  }
  write_->setEnabled(!photos.empty());
  ApplyTexts();
}

PressEdits TPressFieldsPage::Edited() const {
  PressEdits edits;
  for (size_t field = 0; field < kPressFieldCount; ++field) {
    const std::string text = fields_[field]->text().toStdString();
    if (text != shown_[field]) edits[field] = text;
  }
  return edits;
}

bool TPressFieldsPage::AnyEdited() const {
  const PressEdits edits = Edited();
  return std::any_of(edits.begin(), edits.end(), [](const auto& edit) { return edit.has_value(); });
}

QString TPressFieldsPage::Problem() const {
  const std::optional<PressField> field = TPressEdits::TooLong(Edited());
  if (!field) return {};
  return ProgramText(kTooLongKey, "The %1 takes at most %2 bytes. Shorten it; nothing was written.")
      .arg(Label(kPressFields[*field]))
      .arg(TPressEdits::Limit(*field));
}

}  // namespace pixaldo
