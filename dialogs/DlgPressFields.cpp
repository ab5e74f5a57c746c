#include "dialogs/DlgPressFields.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/PressFieldsPage.h"
#include "platform/gui/UserMessages.h"
#include "settings/gui/DlgOptions.h"

namespace pixaldo {

TPressFieldsDialog::TPressFieldsDialog(const std::vector<PressTexts>& photos, QWidget* parent)
    : QDialog(parent), page_(new TPressFieldsPage(this)) {
  setObjectName(QStringLiteral("FormPressFields"));
  setWindowTitle(ProgramText(215, "Press fields of %1 photos").arg(photos.size()));
  page_->ShowPhotos(photos);
  connect(page_, &TPressFieldsPage::WriteRequested, this, &TPressFieldsDialog::Write);
  auto* cancel = new QPushButton(ProgramText(160, "Cancel"), this);
  cancel->setObjectName(QStringLiteral("BtnCancel"));
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(page_);
  // Cancel beside the page's own Write button.
  if (auto* buttons = qobject_cast<QBoxLayout*>(page_->layout()->itemAt(page_->layout()->count() - 1)->layout()))
    buttons->addWidget(cancel);
  page_->WriteButton()->setDefault(true);
  resize(460, sizeHint().height());
}

void TPressFieldsDialog::Write() {
  if (const QString problem = page_->Problem(); !problem.isEmpty()) {
    ShowMessage(this, {QMessageBox::Warning, QStringLiteral("Pixaldo"), problem});
    return;
  }
  accept();
}

}  // namespace pixaldo
