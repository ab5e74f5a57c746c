#pragma once
// The main window's commands that open the program's other windows (the
// settings, the metadata and the about window) and the one that exports the
// folder's database. The three windows are made once at start, after the
// main window, and handed over here.
#include <QDialog>

namespace pixaldo {

class TFormMain;
class TFormOptions;
class TFormMetaData;
class TFormAbout;

class TWindowCommands {
 public:
  explicit TWindowCommands(TFormMain& form) : Form(form) {}

  // Takes the three windows and has them follow the main window.
  void SetDialogs(TFormOptions* options, TFormMetaData* metaData, TFormAbout* about);
  // The settings window once it exists.
  TFormOptions* Options() const { return FormOptions; }

  void AppOptionsExecute();
  void FileMetadataShowExecute();
  void AppAboutExecute();
  // Writes the folder's database (XML or text, by the chosen name's
  // extension) and opens it.
  void AppDirDatabaseExecute();

 private:
  // Runs one of the other windows as a modal dialog of the main window.
  int ExecDialog(QDialog& dialog);

  TFormMain& Form;
  TFormOptions* FormOptions = nullptr;
  TFormMetaData* FormMetaData = nullptr;
  TFormAbout* FormAbout = nullptr;
};

}  // namespace pixaldo
