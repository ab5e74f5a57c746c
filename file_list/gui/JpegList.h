#pragma once
// TJpegList: the list of the JPEG files of one directory in the main window's
// info bar. One column, no header, names editable in place. Its model and
// selection model are the folder's: the thumbnail grid is a second view of
// the same two, so both show the same order, current file and selection.
// The current item is the current file (PhotoSelected shows it); several
// files can be selected besides (Shift, Ctrl, Ctrl+A), and SelectedPaths
// hands them to the commands that act on a selection. Moves past either end
// ask for the stop sign; the directory and the current file are watched for
// changes made by other programs.
//
// Paths and names are held as the file system's bytes (see PathToQString);
// the items show them as text. The directory is held as an absolute path,
// so that changing the process's current directory never changes it.
//
// Changes on disk come in bursts (a copy writes for a while, a camera import
// adds many files): the list applies them once the folder has been quiet for
// SettleMilliseconds, and never while a modal window (a message box) is open,
// but once after it closes. A rebuild keeps the current file current without
// showing it again; only when the current file itself was rewritten, and its
// size and date have stayed the same for a settling pause, does
// CurrentFileChanged ask for it to be shown again.
#include <QFileSystemWatcher>
#include <QString>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <cstdint>
#include <filesystem>

#include "file_list/JpegListing.h"

namespace pixaldo {

class TJpegList : public QTreeWidget {
  Q_OBJECT

 public:
  explicit TJpegList(QWidget* panel);

  // Queries.
  int FileCount() const;
  QString FileNameAt(int index) const;
  // The folder shown holds a row for `path` (its name, in this letter case).
  bool Lists(const QString& path) const;
  int SelectedIndex() const;  // the current file's row (current and selected); -1 with none
  // The selected files' full paths in list order (the current file need not
  // be among them); rows the filter hides are not among them.
  QStringList SelectedPaths() const;
  // The first row from `row` on in the direction of `step` (1 or -1) that
  // the filter lets show; -1 when there is none.
  int ShownRowFrom(int row, int step) const;
  // The current file's place among the rows the filter lets show (from 0; -1
  // as SelectedIndex), and their number; the current row always counts.
  int ShownIndex() const;
  int ShownCount() const;
  // The listed names as they stand (what an export of the folder walks).
  JpegListing Listing() const;
  QString FullPath(const QString& name) const;
  const QString& Directory() const { return Directory_; }
  const QString& CurrentPath() const { return CurrentPath_; }
  bool AutoRefresh = true;
  bool Editing() const { return Editing_; }

  // Operations.
  void Rebuild();
  void SetDirectory(const QString& path);
  bool SelectByName(const QString& path);
  void SelectFirst();
  void SelectPrevious();
  void SelectNext();
  bool OpenPath(const QString& path);
  bool BrowseAndOpen();
  void DeleteSelected();
  void RenameSelected();

  // Applies the changes on disk now (unless a modal window is open; then
  // once it has closed): lists the directory again if its listed names
  // changed, and notices a rewritten current file.
  void DirectoryChanged();
  // The current file as it is now on disk is the one shown: the main window
  // calls this after it wrote the file itself.
  void RememberCurrentFile();

  // How long the folder must be quiet before its changes are applied.
  int SettleMilliseconds = 250;

  // Applies the result of an in-place edit of `item`'s name.
  void FinishRename(QTreeWidgetItem* item, const QString& edited);
  // Keeps an edited name for FinishRename once the editor is closed.
  void RenameWhenClosed(int row, const QString& edited);
  // Places `box` (the filter box) in the panel above the list.
  void PlaceAbove(QWidget* box);

 signals:
  // A file became current through the selection; the main window shows it.
  void PhotoSelected(const QString& path);
  // A move ran past either end of the list.
  void StopSignRequested();
  // A file was renamed in place.
  void FileRenamed(const QString& from, const QString& to);
  // The list was rebuilt, or the filter showed or hid rows; the current
  // file, if still listed, is selected again but not shown again.
  void ListChanged();
  // Another program rewrote the current file and it has been stable since.
  void CurrentFileChanged(const QString& path);
  // The set of selected files changed (by the user, or by a refresh that
  // dropped files which are gone).
  void SelectedFilesChanged();
  // The folder's changes on disk have just been applied: files in it may
  // have been rewritten.
  void FolderLooked();

 protected:
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

 private:
  void CurrentRowChanged();
  void SelectRow(int row);
  // After a refresh that lost the current file: the row that followed it,
  // or the one before it at the end; -1 for an empty list.
  int SuccessorRow(const QStringList& before, const QString& lostName) const;
  void SelectNames(const QStringList& names);
  void RemoveRow(int row);
  void WatchDirectory(const QString& path);
  void WatchCurrentFile();
  void CheckCurrentFile();
  QStringList ListNames() const;
  QStringList ShownNames() const;
  void Fill(const QStringList& names);

  // What tells that a file was rewritten: its size and modification time.
  struct FileStamp {
    std::int64_t size = -1;
    std::filesystem::file_time_type time{};
    bool operator==(const FileStamp&) const = default;
  };
  FileStamp StampOf(const QString& path) const;

  bool Editing_ = false;
  int PendingRenameRow = -1;
  QString PendingRename;
  QString Directory_;
  QString CurrentPath_;
  FileStamp ShownStamp;  // the current file when it was last shown
  FileStamp SeenStamp;   // the current file at the last look
  class PanelFitter* Fitter = nullptr;
  QFileSystemWatcher ChangeNotifier;
  QTimer Settle;
};

}  // namespace pixaldo
