#include "file_list/gui/JpegList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "file_list/JpegListing.h"
#include "platform/gui/UserMessages.h"

#include <utility>

namespace pixaldo {
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

// Keeps the list at its place in the panel: 6 pixels from the sides, 18 from
// the top (below the heading) and 4 from the bottom.
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

 private:
  void Fit() { list_->setGeometry(6, 18, qMax(0, panel_->width() - 12), qMax(0, panel_->height() - 22)); }
  QWidget* panel_;
  QWidget* list_;
};

std::filesystem::path ToPath(const QString& text) { return QStringToPath(text); }

}  // namespace

TJpegList::TJpegList(QWidget* panel) : QTreeWidget(panel) {
  setObjectName(QStringLiteral("FileList"));
  setColumnCount(1);
  setHeaderHidden(true);
  setRootIsDecorated(false);
  setIndentation(0);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  header()->setStretchLastSection(false);
  setItemDelegate(new RenameDelegate(this));
  if (panel) new PanelFitter(panel, this);
  // The selection stays as visible when the focus is elsewhere.
  QPalette colours = palette();
  colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Active, QPalette::Highlight));
  colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   colours.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(colours);
  connect(this, &QTreeWidget::itemSelectionChanged, this, &TJpegList::SelectionChanged);
  connect(&ChangeNotifier, &QFileSystemWatcher::directoryChanged, this, [this] { DirectoryChanged(); });
}

int TJpegList::FileCount() const { return topLevelItemCount(); }

QString TJpegList::FileNameAt(int index) const {
  QTreeWidgetItem* item = topLevelItem(index);
  return item ? item->text(0) : QString();
}

int TJpegList::SelectedIndex() const {
  const QList<QTreeWidgetItem*> selected = selectedItems();
  return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}

QString TJpegList::FullPath(const QString& name) const {
  return PathToQString(pixaldo::FullPath(Directory_.toStdString(), name.toStdString()));
}

QStringList TJpegList::ListNames() const {
  QStringList names;
  for (const std::string& name : ListJpegNames(ToPath(Directory_))) names << QString::fromStdString(name);
  return names;
}

void TJpegList::Fill(const QStringList& names) {
  clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(names.size());
  for (const QString& name : names) {
    auto* item = new QTreeWidgetItem(QStringList{name});
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
  ChangeNotifier.addPath(path);
}

void TJpegList::SetDirectory(const QString& path) {
  if (!QFileInfo(path).isDir()) return;
  Directory_ = path;
  WatchDirectory(path);
  Rebuild();
}

bool TJpegList::SelectByName(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  for (int row = 0; row < FileCount(); ++row) {
    if (FileNameAt(row).compare(name, Qt::CaseInsensitive) == 0) {
      SelectRow(row);
      return true;
    }
  }
  clearSelection();
  return false;
}

void TJpegList::SelectRow(int row) {
  QTreeWidgetItem* item = topLevelItem(row);
  if (!item) return;
  setCurrentItem(item);  // single selection: selects the item and focuses it
  item->setSelected(true);
  scrollToItem(item);
}

void TJpegList::SelectFirst() {
  if (FileCount() == 0)
    emit StopSignRequested();
  else
    SelectRow(0);
}

void TJpegList::SelectPrevious() {
  const int index = SelectedIndex();
  if (index < 1)
    emit StopSignRequested();
  else
    SelectRow(index - 1);
}

void TJpegList::SelectNext() {
  const int index = SelectedIndex();
  if (index < FileCount() - 1)
    SelectRow(index + 1);
  else
    emit StopSignRequested();
}

bool TJpegList::OpenPath(const QString& path) {
  const QFileInfo info(path);
  if (info.isFile() && IsJpegName(path.toStdString())) {
    QString directory = info.absolutePath();
    QDir::setCurrent(directory);
    if (!directory.endsWith(QLatin1Char('/'))) directory += QLatin1Char('/');
    SetDirectory(directory);
    return SelectByName(path);
  }
  if (info.isDir()) {
    QDir::setCurrent(path);
    SetDirectory(path);
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
  const QSignalBlocker blocker(this);
  delete takeTopLevelItem(row);
  clearSelection();
}

void TJpegList::DeleteSelected() {
  const int index = SelectedIndex();
  if (index < 0) return;
  const QString path = FullPath(FileNameAt(index));
  if (!AskYesNo(window(), tr("Move \"%1\" to the trash?").arg(path))) return;
  QFile file(path);
  if (!file.moveToTrash()) {
    ShowFileError(window(), ToPath(path), tr("The file could not be moved to the trash: %1").arg(file.errorString()));
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
  const QString oldName = item->text(0);
  const QString from = FullPath(oldName);
  const QString to = FullPath(name);
  if (name == oldName) return;
  std::error_code error;
  // A rename never replaces another file (POSIX rename would do so silently);
  // only a change of letter case of the same file is let through.
  const bool sameFile = std::filesystem::equivalent(ToPath(from), ToPath(to), error);
  if (!sameFile && std::filesystem::exists(ToPath(to), error)) {
    ShowFileError(window(), ToPath(from), tr("The file could not be renamed: \"%1\" already exists.").arg(name));
    return;
  }
  std::filesystem::rename(ToPath(from), ToPath(to), error);
  if (error) {
    ShowFileError(window(), ToPath(from),
                  tr("The file could not be renamed to \"%1\": %2").arg(name, QString::fromStdString(error.message())));
    return;
  }
  AutoRefresh = false;
  CurrentPath_ = to;
  item->setText(0, name);
  emit FileRenamed(from, to);
}

void TJpegList::SelectionChanged() {
  const int index = SelectedIndex();
  if (index >= 0 && !Editing_) {
    CurrentPath_ = FullPath(FileNameAt(index));
    emit PhotoSelected(CurrentPath_);
  }
  Editing_ = false;
}

void TJpegList::DirectoryChanged() {
  if (!AutoRefresh) return;
  const QStringList names = ListNames();
  // Only changes of the listed names count; a file rewritten in place (which
  // our own safe writes do by renaming a temporary file over it) is no change.
  QStringList shown;
  for (int row = 0; row < FileCount(); ++row) shown << FileNameAt(row);
  if (names == shown) return;
  Fill(names);
  SelectByName(CurrentPath_);
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
      if (index == 0) emit StopSignRequested();
      break;
    case Qt::Key_PageDown:
    case Qt::Key_Down:
      if (FileCount() > 0 && index == FileCount() - 1) emit StopSignRequested();
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
