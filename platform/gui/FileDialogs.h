#pragma once
// The database save dialog of the main window and the hand-over of a written
// file to the desktop. An empty name means the user cancelled.
#include <QString>

class QWidget;

namespace pixaldo {

// The name of the directory database: "PixaldoInfo" in `directory`, typed
// as XML database or CSV database; a name typed without extension gets the
// one of the type chosen.
QString AskSaveDatabase(QWidget* owner, const QString& directory);

// Opens the file with the desktop's default program for its type (a text
// file in the text editor); returns at once.
void OpenWithDefaultHandler(const QString& file);

}  // namespace pixaldo
