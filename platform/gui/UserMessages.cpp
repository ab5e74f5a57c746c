#include "platform/gui/UserMessages.h"

#include "platform/Cp1250.h"

namespace pixaldo {
namespace {

MessageHandler& Handler() {
  static MessageHandler handler;
  return handler;
}

}  // namespace

void SetMessageHandler(MessageHandler handler) { Handler() = std::move(handler); }

QMessageBox::StandardButton ShowMessage(QWidget* parent, const UserMessage& message) {
  if (Handler()) return Handler()(message);
  QMessageBox box(message.icon, message.title, message.text, message.buttons, parent);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

void ShowFileError(QWidget* parent, const std::filesystem::path& file, const QString& reason) {
  ShowMessage(parent, {QMessageBox::Critical, QStringLiteral("Pixaldo"),
                       PathToQString(file) + QStringLiteral("\n\n") + reason, QMessageBox::Ok});
}

void ShowFileError(QWidget* parent, const FileError& error) {
  // The reason comes from the core, which keeps bytes of file contents in
  // Windows-1250 but writes its own reasons in plain ASCII or UTF-8.
  ShowFileError(parent, error.path(), QString::fromUtf8(error.reason()));
}

bool AskYesNo(QWidget* parent, const QString& text) {
  return ShowMessage(parent, {QMessageBox::Question, QStringLiteral("Pixaldo"), text,
                              QMessageBox::Yes | QMessageBox::No}) == QMessageBox::Yes;
}

QString FromCp1250(const std::string& bytes) { return QString::fromStdString(Cp1250ToUtf8(bytes)); }

std::optional<std::string> ToCp1250(const QString& text) { return Utf8ToCp1250Strict(text.toStdString()); }

QString PathToQString(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

std::filesystem::path QStringToPath(const QString& text) { return std::filesystem::path(text.toStdString()); }

}  // namespace pixaldo
