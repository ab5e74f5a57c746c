#pragma once
// TJpegList: the list of the JPEG files of one directory in the main window's
// info bar. One column, no header, single selection, names editable in place.
// Selecting an item makes its file current through PhotoSelected; moves past
// either end ask for the stop sign; the directory is watched for changes made
// by other programs.
#include <QFileSystemWatcher>
#include <QString>
#include <QTreeWidget>
#include <filesystem>

namespace pixaldo {

class TJpegList : public QTreeWidget {
  Q_OBJECT

 public:
  explicit TJpegList(QWidget* panel);

  // Queries.
  int FileCount() const;
  QString FileNameAt(int index) const;
  int SelectedIndex() const;  // -1 with nothing selected
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

  // The directory changed (the watcher's notice; tests may call it directly).
  void DirectoryChanged();

  // Applies the result of an in-place edit of `item`'s name.
  void FinishRename(QTreeWidgetItem* item, const QString& edited);
  // Keeps an edited name for FinishRename once the editor is closed.
  void RenameWhenClosed(int row, const QString& edited);

 signals:
  // A file became current through the selection; the main window shows it.
  void PhotoSelected(const QString& path);
  // A move ran past either end of the list.
  void StopSignRequested();
  // A file was renamed in place.
  void FileRenamed(const QString& from, const QString& to);

 protected:
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

 private:
  void SelectionChanged();
  void SelectRow(int row);
  void RemoveRow(int row);
  void WatchDirectory(const QString& path);
  QStringList ListNames() const;
  void Fill(const QStringList& names);

  bool Editing_ = false;
  int PendingRenameRow = -1;
  QString PendingRename;
  QString Directory_;
  QString CurrentPath_;
  QFileSystemWatcher ChangeNotifier;
};

}  // namespace pixaldo
