#include "platform/gui/FileDialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

namespace pixaldo {

QString AskSaveDatabase(QWidget* owner, const QString& directory) {
  QFileDialog dialog(owner, QString(), directory);
  dialog.setObjectName(QStringLiteral("SaveDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setSizeGripEnabled(true);
  const QString xml = QStringLiteral("XML database (*.xml)");
  const QString csv = QStringLiteral("CSV database (*.txt)");
  dialog.setNameFilters({xml, csv});
  dialog.setDefaultSuffix(QStringLiteral("xml"));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, csv](const QString& filter) {
    dialog.setDefaultSuffix(filter == csv ? QStringLiteral("txt") : QStringLiteral("xml"));
  });
  dialog.selectFile(QStringLiteral("PixaldoInfo"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

void OpenWithDefaultHandler(const QString& file) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
}

}  // namespace pixaldo
