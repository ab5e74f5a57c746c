#pragma once
// Every message box of the viewer goes through these routines, so that each
// error names the file and the reason in the same way and so that tests can
// answer the boxes instead of a person (SetMessageHandler).
#include <QMessageBox>
#include <QString>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/FileError.h"

namespace pixaldo {

struct UserMessage {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString title;
  QString text;
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

// Receives each message instead of a modal box and returns the button chosen.
using MessageHandler = std::function<QMessageBox::StandardButton(const UserMessage&)>;

// Installs a handler (tests); an empty handler restores the real boxes.
void SetMessageHandler(MessageHandler handler);

QMessageBox::StandardButton ShowMessage(QWidget* parent, const UserMessage& message);

// An error about one file: the file's path on the first line, the reason below.
void ShowFileError(QWidget* parent, const std::filesystem::path& file, const QString& reason);
void ShowFileError(QWidget* parent, const FileError& error);

// A yes/no question; true for yes.
bool AskYesNo(QWidget* parent, const QString& text);

// Conversions between the program's Windows-1250 bytes, paths and QString.
QString FromCp1250(const std::string& bytes);
// The Windows-1250 bytes of a text, or nothing when a character cannot be stored.
std::optional<std::string> ToCp1250(const QString& text);
// Paths are the file system's bytes. As QString, a byte that is no part of
// UTF-8 is carried as the lone surrogate U+DC80..U+DCFF, so that every path
// comes back byte for byte (a Latin-1 name opens); PathToDisplay is for
// showing, with U+FFFD in place of such bytes.
QString PathToQString(const std::filesystem::path& path);
std::filesystem::path QStringToPath(const QString& text);
QString PathToDisplay(const QString& path);

// True while a message box or another modal window runs its own event loop:
// the time when nothing must change what the window behind it is working on.
bool InsideModalDialog();

}  // namespace pixaldo
