#include "file_list/gui/ListFilter.h"

#include <QAction>
#include <QKeyEvent>

#include "file_list/gui/JpegList.h"
#include "file_list/gui/PhotoTagsReader.h"
#include "file_list/gui/ThumbnailGrid.h"
#include "settings/gui/DlgOptions.h"

namespace pixaldo {

TListFilter::TListFilter(TJpegList* list, TThumbnailGrid* grid)
    : QObject(list), list_(list), grid_(grid), box_(new QLineEdit(list->parentWidget())),
      reader_(new TPhotoTagsReader(this)) {
  box_->setObjectName(QStringLiteral("FilterBox"));
  box_->setClearButtonEnabled(true);
  // The box takes Esc itself, before the window's commands.
  box_->setProperty("TakesEscape", true);
  box_->installEventFilter(this);
  // Ctrl+F goes to the box from anywhere in the window, its text selected.
  auto* find = new QAction(box_);
  find->setShortcut(QKeySequence::Find);
  find->setShortcutContext(Qt::WindowShortcut);
  box_->addAction(find);
  connect(find, &QAction::triggered, this, [this] {
    box_->setFocus(Qt::ShortcutFocusReason);
    box_->selectAll();
  });
  ApplyTexts();
  list_->PlaceAbove(box_);
  apply_.setSingleShot(true);
  apply_.setInterval(30);
  connect(&apply_, &QTimer::timeout, this, &TListFilter::Apply);
  connect(box_, &QLineEdit::textChanged, this, &TListFilter::TextChanged);
  connect(reader_, &TPhotoTagsReader::Arrived, this, [this] { apply_.start(); });
  // New rows (another folder, or files that came) are placed at once by what
  // is known, then looked at.
  QAbstractItemModel* model = list_->model();
  connect(model, &QAbstractItemModel::rowsInserted, this, [this] {
    Apply();
    Look();
  });
  connect(list_, &TJpegList::FolderLooked, this, &TListFilter::Look);
  connect(list_, &TJpegList::CurrentFileChanged, this, &TListFilter::Look);
  // The photo shown stays in sight; the one left leaves it when it does not match.
  connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { Apply(); });
}

void TListFilter::ApplyTexts() {
  box_->setPlaceholderText(ProgramText(200, "Filter: keyword or \u2605" "3"));
  box_->setToolTip(ProgramText(201, "Shows only the photos with a keyword that begins so, or with at least so many "
                                    "stars (\u2605" "3 or 3*); several conditions separated by commas. Esc clears it."));
}

void TListFilter::TextChanged(const QString& text) {
  const bool wasEmpty = filter_.Empty();
  filter_ = PhotoFilter(text.toStdString());
  if (wasEmpty && !filter_.Empty()) Look();
  Apply();
}

void TListFilter::Look() {
  if (filter_.Empty()) return;  // nothing to read for
  QStringList paths;
  for (int row = 0; row < list_->FileCount(); ++row) paths << list_->FullPath(list_->FileNameAt(row));
  reader_->Look(paths);
}

bool TListFilter::Shows(int row) const {
  if (filter_.Empty() || row == list_->currentIndex().row()) return true;
  const PhotoTags* tags = reader_->Find(list_->FullPath(list_->FileNameAt(row)));
  return tags && filter_.Matches(*tags);
}

void TListFilter::Apply() {
  apply_.stop();
  QItemSelectionModel* selection = list_->selectionModel();
  bool changed = false;
  for (int row = 0; row < list_->FileCount(); ++row) {
    const bool hidden = !Shows(row);
    if (list_->isRowHidden(row, QModelIndex()) == hidden) continue;
    changed = true;
    list_->setRowHidden(row, QModelIndex(), hidden);
    grid_->setRowHidden(row, hidden);
    const QModelIndex index = list_->model()->index(row, 0);
    if (hidden && selection->isSelected(index)) selection->select(index, QItemSelectionModel::Deselect);
  }
  if (changed) emit list_->ListChanged();  // the counter, and the grid's cells
}

bool TListFilter::eventFilter(QObject* watched, QEvent* event) {
  if (watched == box_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
      if (box_->text().isEmpty())
        list_->setFocus(Qt::OtherFocusReason);
      else
        box_->clear();
      return true;
    }
    // Down goes on into the list, as from a search field.
    if (key->key() == Qt::Key_Down && key->modifiers() == Qt::NoModifier) {
      list_->setFocus(Qt::OtherFocusReason);
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace pixaldo
