#include "dialogs/DlgTextConflict.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/gui/WidgetNames.h"
#include "settings/gui/DlgOptions.h"

namespace pixaldo {
namespace {

// A text as a choice shows it: on one line, long texts cut short.
QString OneLine(QString text) {
  constexpr int kLongest = 120;
  text.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
  return text.size() > kLongest ? text.left(kLongest) + QChar(0x2026) : text;
}

}  // namespace

TTextConflictDialog::TTextConflictDialog(const QString& file, const std::vector<Row>& rows, QWidget* parent)
    : QDialog(parent) {
  setObjectName("TextConflictDialog");
  setWindowTitle(ProgramText(150, "Changed by another program"));
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(QFileInfo(file).fileName() + QStringLiteral("\n\n") +
                               ProgramText(151, "Another program changed these fields of the photo since they were shown. "
                                         "Which text do you keep?"),
                           this);
  intro->setWordWrap(true);
  layout->addWidget(intro);
  const QString yours = ProgramText(152, "Your text"), theirs = ProgramText(153, "The file's text");
  for (size_t i = 0; i < rows.size(); ++i) {
    auto* group = new QGroupBox(rows[i].Field, this);
    auto* edited = Named(new QRadioButton(yours + QStringLiteral(": ") + OneLine(rows[i].Edited), group),
                         QStringLiteral("KeepEdited%1").arg(i));
    auto* current = Named(new QRadioButton(theirs + QStringLiteral(": ") + OneLine(rows[i].Current), group),
                          QStringLiteral("KeepCurrent%1").arg(i));
    edited->setToolTip(rows[i].Edited);
    current->setToolTip(rows[i].Current);
    edited->setChecked(true);
    auto* choices = new QVBoxLayout(group);
    choices->addWidget(edited);
    choices->addWidget(current);
    layout->addWidget(group);
    choices_.emplace_back(edited, current);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}

bool TTextConflictDialog::KeepEdited(size_t row) const { return choices_.at(row).first->isChecked(); }

void AskWhichTextToKeep(QWidget* parent, const QString& file, const std::vector<QString>& fieldNames,
                        const std::function<QString(const std::string&)>& decode,
                        std::vector<FieldConflict>& conflicts) {
  std::vector<TTextConflictDialog::Row> rows;
  for (const FieldConflict& conflict : conflicts)
    rows.push_back({QString(fieldNames.at(conflict.Field)).remove(QLatin1Char('&')), decode(conflict.Edited),
                    decode(conflict.Current)});
  TTextConflictDialog dialog(file, rows, parent);
  dialog.exec();
  for (size_t i = 0; i < conflicts.size(); ++i) conflicts[i].KeepEdited = dialog.KeepEdited(i);
}

}  // namespace pixaldo
