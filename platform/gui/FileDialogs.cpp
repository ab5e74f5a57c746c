#include "platform/gui/FileDialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

namespace pixaldo {
namespace {

QString RunSaveDialog(QFileDialog& dialog) {
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::ReadOnly, false);
  dialog.setSizeGripEnabled(true);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

}  // namespace

QString AskSaveDatabase(QWidget* owner, const QString& directory) {
  QFileDialog dialog(owner, QString(), directory);
  dialog.setObjectName(QStringLiteral("SaveDialog"));
  const QString xml = QStringLiteral("XML database (*.xml)");
  const QString csv = QStringLiteral("CSV database (*.txt)");
  dialog.setNameFilters({xml, csv});
  dialog.setDefaultSuffix(QStringLiteral("xml"));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, csv](const QString& filter) {
    dialog.setDefaultSuffix(filter == csv ? QStringLiteral("txt") : QStringLiteral("xml"));
  });
  dialog.selectFile(QStringLiteral("PixaldoInfo"));
  return RunSaveDialog(dialog);
}

void OpenWithDefaultHandler(const QString& file) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
}

}  // namespace pixaldo
