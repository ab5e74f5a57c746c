#include "file_list/gui/JpegList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSet>
#include <QHash>
#include <QStyledItemDelegate>

#include "file_list/JpegListing.h"
#include "platform/FileError.h"
#include "platform/Trash.h"
#include "platform/gui/UserMessages.h"
#include "settings/gui/DlgOptions.h"

#include <utility>

namespace pixaldo {

// Keeps the list at its place in the panel: 6 pixels from the sides, 18 from
// the top (below the heading; the filter box, when there is one, between the
// two) and 4 from the bottom.
class PanelFitter : public QObject {
 public:
  PanelFitter(QWidget* panel, QWidget* list) : QObject(list), panel_(panel), list_(list) {
    panel->installEventFilter(this);
    Fit();
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == panel_ && event->type() == QEvent::Resize) Fit();
    return false;
  }
  void PlaceAbove(QWidget* box) {
    above_ = box;
    Fit();
  }

 private:
  void Fit() {
    const int width = qMax(0, panel_->width() - 12);
    int top = 18;
    if (above_) {
      above_->setGeometry(6, top, width, above_->sizeHint().height());
      top += above_->height() + 2;
    }
    list_->setGeometry(6, top, width, qMax(0, panel_->height() - top - 4));
  }
  QWidget* panel_;
  QWidget* list_;
  QWidget* above_ = nullptr;
};

namespace {

// Hands the edited name to the list instead of writing it into the item, so
// that the item shows the new name only when the file was renamed. The list
// renames once the editor is closed, so that an error is shown over the list
// alone, not over the editor still holding the new name.
class RenameDelegate : public QStyledItemDelegate {
 public:
  explicit RenameDelegate(TJpegList* list) : QStyledItemDelegate(list), list_(list) {}

  void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (line) list_->RenameWhenClosed(index.row(), line->text());
  }

 private:
  TJpegList* list_;
};

std::filesystem::path ToPath(const QString& text) { return QStringToPath(text); }

// The watcher takes paths as text; a path that is no UTF-8 it cannot name.
bool Watchable(const QString& path) { return QFile::encodeName(path).toStdString() == ToPath(path).native(); }

}  // namespace

TJpegList::TJpegList(QWidget* panel) : QTreeWidget(panel) {
  setObjectName(QStringLiteral("FileList"));
  setColumnCount(1);
  setHeaderHidden(true);
  setRootIsDecorated(false);
  setIndentation(0);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  header()->setStretchLastSection(false);
  setItemDelegate(new RenameDelegate(this));
  if (panel) Fitter = new PanelFitter(panel, this);
  // The selection stays as visible when the focus is elsewhere.
  QPalette colours = palette();
  colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Active, QPalette::Highlight));
  colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   colours.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(colours);
  connect(this, &QTreeWidget::currentItemChanged, this, &TJpegList::CurrentRowChanged);
  connect(this, &QTreeWidget::itemSelectionChanged, this, &TJpegList::SelectedFilesChanged);
  Settle.setSingleShot(true);
  connect(&Settle, &QTimer::timeout, this, &TJpegList::DirectoryChanged);
  const auto notice = [this] { Settle.start(SettleMilliseconds); };
  connect(&ChangeNotifier, &QFileSystemWatcher::directoryChanged, this, notice);
  connect(&ChangeNotifier, &QFileSystemWatcher::fileChanged, this, notice);
}

int TJpegList::FileCount() const { return topLevelItemCount(); }

QString TJpegList::FileNameAt(int index) const {
  QTreeWidgetItem* item = topLevelItem(index);
  return item ? item->data(0, Qt::UserRole).toString() : QString();
}

bool TJpegList::Lists(const QString& path) const {
  const QString name = PathToQString(ToPath(path).filename());
  for (int row = 0; row < FileCount(); ++row)
    if (FileNameAt(row) == name) return true;
  return false;
}

int TJpegList::SelectedIndex() const {
  // The current item counts while it is selected: a list whose selection
  // was cleared has no current file.
  QTreeWidgetItem* current = currentItem();
  return current && current->isSelected() ? indexOfTopLevelItem(current) : -1;
}

QStringList TJpegList::SelectedPaths() const {
  QStringList paths;
  for (int row = 0; row < FileCount(); ++row)
    if (topLevelItem(row)->isSelected() && !isRowHidden(row, QModelIndex())) paths << FullPath(FileNameAt(row));
  return paths;
}

int TJpegList::ShownRowFrom(int row, int step) const {
  for (; row >= 0 && row < FileCount(); row += step)
    if (!isRowHidden(row, QModelIndex())) return row;
  return -1;
}

int TJpegList::ShownIndex() const {
  const int index = SelectedIndex();
  if (index < 0) return -1;
  int shown = 0;
  for (int row = 0; row < index; ++row) shown += !isRowHidden(row, QModelIndex());
  return shown;
}

int TJpegList::ShownCount() const {
  int shown = 0;  // the filter never hides the current row
  for (int row = 0; row < FileCount(); ++row) shown += !isRowHidden(row, QModelIndex());
  return shown;
}

void TJpegList::PlaceAbove(QWidget* box) {
  if (Fitter) Fitter->PlaceAbove(box);
}

JpegListing TJpegList::Listing() const {
  std::vector<std::string> names;
  for (int row = 0; row < FileCount(); ++row) names.push_back(ToPath(FileNameAt(row)).native());
  return JpegListing(ToPath(Directory_), std::move(names));
}

void TJpegList::SelectNames(const QStringList& names) {
  const QSet<QString> wanted(names.begin(), names.end());
  for (int row = 0; row < FileCount(); ++row)
    if (wanted.contains(FileNameAt(row))) topLevelItem(row)->setSelected(true);
}

int TJpegList::SuccessorRow(const QStringList& before, const QString& lostName) const {
  QHash<QString, int> rows;
  for (int row = 0; row < FileCount(); ++row) rows.insert(FileNameAt(row), row);
  const int at = before.indexOf(lostName);
  for (int i = at + 1; at >= 0 && i < before.size(); ++i)
    if (rows.contains(before[i])) return rows.value(before[i]);
  for (int i = at - 1; i >= 0; --i)
    if (rows.contains(before[i])) return rows.value(before[i]);
  return FileCount() > 0 ? qMin(qMax(at, 0), FileCount() - 1) : -1;
}

QString TJpegList::FullPath(const QString& name) const {
  return PathToQString(pixaldo::FullPath(ToPath(Directory_), ToPath(name).native()));
}

QStringList TJpegList::ListNames() const {
  QStringList names;
  for (const std::string& name : ListJpegNames(ToPath(Directory_))) names << PathToQString(name);
  return names;
}

QStringList TJpegList::ShownNames() const {
  QStringList names;
  for (int row = 0; row < FileCount(); ++row) names << FileNameAt(row);
  return names;
}

void TJpegList::Fill(const QStringList& names) {
  clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(names.size());
  for (const QString& name : names) {
    auto* item = new QTreeWidgetItem(QStringList{PathToDisplay(name)});
    item->setData(0, Qt::UserRole, name);
    item->setToolTip(0, item->text(0));  // the whole name, where a view elides it
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    items << item;
  }
  addTopLevelItems(items);
}

void TJpegList::Rebuild() { Fill(ListNames()); }

void TJpegList::WatchDirectory(const QString& path) {
  const QStringList watched = ChangeNotifier.directories();
  if (!watched.isEmpty() && watched.first().compare(path, Qt::CaseInsensitive) == 0) return;
  if (!watched.isEmpty()) ChangeNotifier.removePaths(watched);
  if (Watchable(path)) ChangeNotifier.addPath(path);
}

void TJpegList::WatchCurrentFile() {
  // A file replaced by renaming another over it is a new file to watch.
  const QStringList watched = ChangeNotifier.files();
  if (!watched.isEmpty()) ChangeNotifier.removePaths(watched);
  std::error_code error;
  if (!CurrentPath_.isEmpty() && Watchable(CurrentPath_) && std::filesystem::is_regular_file(ToPath(CurrentPath_), error))
    ChangeNotifier.addPath(CurrentPath_);
}

TJpegList::FileStamp TJpegList::StampOf(const QString& path) const {
  std::error_code error;
  const std::filesystem::path file = ToPath(path);
  FileStamp stamp;
  const auto size = std::filesystem::file_size(file, error);
  if (error) return stamp;
  stamp.size = std::int64_t(size);
  stamp.time = std::filesystem::last_write_time(file, error);
  return stamp;
}

void TJpegList::RememberCurrentFile() {
  ShownStamp = SeenStamp = StampOf(CurrentPath_);
  WatchCurrentFile();
}

void TJpegList::SetDirectory(const QString& path) {
  std::error_code error;
  if (!std::filesystem::is_directory(ToPath(path), error)) return;
  Directory_ = path;
  WatchDirectory(path);
  Rebuild();
}

bool TJpegList::SelectByName(const QString& path) {
  // The name itself first: names that differ only in letter case are two
  // files here.
  const QString name = PathToQString(ToPath(path).filename());
  const auto find = [&](Qt::CaseSensitivity letterCase) {
    for (int row = 0; row < FileCount(); ++row)
      if (FileNameAt(row).compare(name, letterCase) == 0) return row;
    return -1;
  };
  int row = find(Qt::CaseSensitive);
  if (row < 0) row = find(Qt::CaseInsensitive);
  if (row < 0) {
    setCurrentItem(nullptr);
    clearSelection();
    return false;
  }
  SelectRow(row);
  return true;
}

void TJpegList::SelectRow(int row) {
  QTreeWidgetItem* item = topLevelItem(row);
  if (!item) return;
  // The item alone selected, whatever modifier keys are held.
  setCurrentItem(item, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollToItem(item);
}

void TJpegList::SelectFirst() {
  const int row = ShownRowFrom(0, 1);
  if (row < 0)
    emit StopSignRequested();
  else
    SelectRow(row);
}

void TJpegList::SelectPrevious() {
  const int index = SelectedIndex();
  const int row = index < 1 ? -1 : ShownRowFrom(index - 1, -1);
  if (row < 0)
    emit StopSignRequested();
  else
    SelectRow(row);
}

void TJpegList::SelectNext() {
  const int index = SelectedIndex();
  const int row = ShownRowFrom(index + 1, 1);
  if (row < 0)
    emit StopSignRequested();
  else
    SelectRow(row);
}

bool TJpegList::OpenPath(const QString& path) {
  // Made absolute before the current directory changes, which a relative
  // name would otherwise follow.
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(ToPath(path), error);
  if (error) return false;
  if (std::filesystem::is_regular_file(absolute, error) && IsJpegName(absolute.native())) {
    const std::filesystem::path directory = absolute.parent_path();
    std::filesystem::current_path(directory, error);
    SetDirectory(PathToQString(directory) + QLatin1Char('/'));
    return SelectByName(PathToQString(absolute));
  }
  if (std::filesystem::is_directory(absolute, error)) {
    std::filesystem::current_path(absolute, error);
    SetDirectory(PathToQString(absolute));
    SelectFirst();
    return SelectedIndex() >= 0;
  }
  return false;
}

bool TJpegList::BrowseAndOpen() {
  const QString chosen = QFileDialog::getOpenFileName(window(), QString(), QDir::currentPath(),
                                                      QStringLiteral("Image File (*jpg *jpeg *JPG *JPEG)"));
  if (chosen.isEmpty()) return false;
  return OpenPath(chosen);
}

void TJpegList::RemoveRow(int row) {
  {
    const QSignalBlocker blocker(this);
    delete takeTopLevelItem(row);
    setCurrentItem(nullptr);
    clearSelection();
  }
  emit SelectedFilesChanged();
}

void TJpegList::DeleteSelected() {
  const int index = SelectedIndex();
  if (index < 0) return;
  const QString path = FullPath(FileNameAt(index));
  if (!AskYesNo(window(), ProgramText(236, "Move \"%1\" to the trash?").arg(PathToDisplay(path)))) return;
  try {
    MoveToTrash(ToPath(path));
  } catch (const FileError& error) {
    ShowFileError(window(), error);
    return;
  }
  // The entry goes at once, so the next choice never lands on the deleted
  // file; the watcher's own notice later finds the list already up to date.
  RemoveRow(index);
  if (FileCount() > 0) SelectRow(qMin(index, FileCount() - 1));
}

void TJpegList::RenameSelected() {
  const int index = SelectedIndex();
  if (index < 0) return;
  editItem(topLevelItem(index), 0);
}

bool TJpegList::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  const bool started = QTreeWidget::edit(index, trigger, event);
  if (started) Editing_ = true;
  return started;
}

void TJpegList::RenameWhenClosed(int row, const QString& edited) {
  PendingRenameRow = row;
  PendingRename = edited;
}

void TJpegList::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  // Ended with a key, the editing gives the keys back to the list, on this
  // entry, whatever comes of the name; ended with a click elsewhere, the
  // focus stays where the user put it.
  const bool keysBack = editor && editor->hasFocus();
  QTreeWidget::closeEditor(editor, hint);
  Editing_ = false;
  if (keysBack) setFocus(Qt::OtherFocusReason);
  const int row = std::exchange(PendingRenameRow, -1);
  if (QTreeWidgetItem* item = row >= 0 ? topLevelItem(row) : nullptr) FinishRename(item, PendingRename);
}

void TJpegList::FinishRename(QTreeWidgetItem* item, const QString& edited) {
  Editing_ = false;
  if (edited.isEmpty()) return;
  QString name = edited;
  if (!IsJpegName(name.toStdString())) name += QStringLiteral(".jpg");
  // The editor starts with the name as shown; left so, nothing is renamed
  // (a name that is no UTF-8 shows otherwise than it is).
  if (edited == item->text(0)) return;
  const QString oldName = item->data(0, Qt::UserRole).toString();
  const QString from = FullPath(oldName);
  const QString to = FullPath(name);
  if (name == oldName) return;
  std::error_code error;
  // A rename never replaces another file (POSIX rename would do so silently);
  // only a change of letter case of the same file is let through.
  const bool sameFile = std::filesystem::equivalent(ToPath(from), ToPath(to), error);
  if (!sameFile && std::filesystem::exists(ToPath(to), error)) {
    ShowFileError(window(), ToPath(from),
                  ProgramText(237, "The file could not be renamed: \"%1\" already exists.").arg(name));
    return;
  }
  std::filesystem::rename(ToPath(from), ToPath(to), error);
  if (error) {
    ShowFileError(window(), ToPath(from),
                  ProgramText(238, "The file could not be renamed to \"%1\": %2")
                      .arg(name, QString::fromStdString(error.message())));
    return;
  }
  CurrentPath_ = to;
  item->setText(0, PathToDisplay(name));
  item->setToolTip(0, item->text(0));
  item->setData(0, Qt::UserRole, name);
  RememberCurrentFile();
  emit FileRenamed(from, to);
}

void TJpegList::CurrentRowChanged() {
  // A Shift move makes the item current before it selects the range.
  const int index = currentItem() ? indexOfTopLevelItem(currentItem()) : -1;
  if (index >= 0 && !Editing_) {
    // A click (in the list or the grid) makes the row current before it
    // selects it: selected now, the photo is shown as the current file with
    // its number and commands. A Ctrl click toggles it itself.
    const Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers();
    if (!currentItem()->isSelected() && QGuiApplication::mouseButtons() != Qt::NoButton &&
        !(modifiers & Qt::ControlModifier)) {
      selectionModel()->select(currentIndex(), (modifiers & Qt::ShiftModifier ? QItemSelectionModel::Select
                                                                              : QItemSelectionModel::ClearAndSelect) |
                                                   QItemSelectionModel::Rows);
    }
    CurrentPath_ = FullPath(FileNameAt(index));
    RememberCurrentFile();
    emit PhotoSelected(CurrentPath_);
  }
  Editing_ = false;
}

void TJpegList::DirectoryChanged() {
  if (!AutoRefresh) return;
  // A rebuild under a message box would pull the items from under whatever
  // opened it (a selection still being handled, for one).
  if (InsideModalDialog()) {
    Settle.start(SettleMilliseconds);
    return;
  }
  Settle.stop();
  const QStringList names = ListNames();
  const QStringList before = ShownNames();
  // Only changes of the listed names rebuild the list; the current file and
  // the selected files that remain are selected again quietly, so that the
  // picture and its crop frame stay.
  if (names != before) {
    const QStringList selected = [this] {
      QStringList names;
      for (int row = 0; row < FileCount(); ++row)
        if (topLevelItem(row)->isSelected()) names << FileNameAt(row);
      return names;
    }();
    bool lost = false;
    {
      const QSignalBlocker blocker(this);
      Fill(names);
      lost = !CurrentPath_.isEmpty() && !SelectByName(CurrentPath_);
      SelectNames(selected);
    }
    emit ListChanged();
    emit SelectedFilesChanged();
    // The current file went (another program deleted or renamed it): the
    // file that followed it is shown, or the one before it at the end, as
    // after a delete here.
    if (lost) {
      const int row = SuccessorRow(before, PathToQString(ToPath(CurrentPath_).filename()));
      if (row >= 0) {
        SelectRow(row);
      } else {
        CurrentPath_.clear();
        emit PhotoSelected(QString());
      }
    }
  }
  CheckCurrentFile();
  emit FolderLooked();
}

void TJpegList::CheckCurrentFile() {
  WatchCurrentFile();
  if (CurrentPath_.isEmpty() || SelectedIndex() < 0) return;
  const FileStamp now = StampOf(CurrentPath_);
  if (now == ShownStamp) return;
  if (now != SeenStamp) {
    // Still being written, perhaps: look again after a pause.
    SeenStamp = now;
    Settle.start(SettleMilliseconds);
    return;
  }
  ShownStamp = now;
  emit CurrentFileChanged(CurrentPath_);
}

void TJpegList::keyPressEvent(QKeyEvent* event) {
  if (Editing_ || state() == QAbstractItemView::EditingState) {
    QTreeWidget::keyPressEvent(event);
    return;
  }
  int key = event->key();
  if (key == Qt::Key_Left) key = Qt::Key_Up;
  if (key == Qt::Key_Right) key = Qt::Key_Down;
  const int index = SelectedIndex();
  switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_Up:
      if (index >= 0 && index == ShownRowFrom(0, 1)) emit StopSignRequested();
      break;
    case Qt::Key_PageDown:
    case Qt::Key_Down:
      if (index >= 0 && index == ShownRowFrom(FileCount() - 1, -1)) emit StopSignRequested();
      break;
    case Qt::Key_Delete:
      DeleteSelected();
      return;
    default:
      break;
  }
  if (key != event->key()) {
    QKeyEvent rewritten(event->type(), key, event->modifiers(), event->text(), event->isAutoRepeat(),
                        ushort(event->count()));
    QTreeWidget::keyPressEvent(&rewritten);
    event->setAccepted(rewritten.isAccepted());
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

void TJpegList::focusOutEvent(QFocusEvent* event) {
  QTreeWidget::focusOutEvent(event);
  if (state() != QAbstractItemView::EditingState) Editing_ = false;
  AutoRefresh = true;
}

void TJpegList::resizeEvent(QResizeEvent* event) {
  QTreeWidget::resizeEvent(event);
  setColumnWidth(0, qMax(0, width() - 20));
}

}  // namespace pixaldo
