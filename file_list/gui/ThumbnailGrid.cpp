#include "file_list/gui/ThumbnailGrid.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "file_list/gui/JpegList.h"
#include "file_list/gui/ThumbnailSource.h"

namespace pixaldo {
namespace {

constexpr int kCellPadding = 6;
// Beyond the visible cells, this many screens ahead and one behind are made
// while the user looks.
constexpr int kScreensAhead = 2;
constexpr int kScreensBehind = 1;

// Paints one cell: the thumbnail centred in its square (a grey box while it
// is made, a warning sign when it cannot be), the name elided below.
class CellDelegate : public QStyledItemDelegate {
 public:
  CellDelegate(TThumbnailGrid* grid, const TJpegList* list) : QStyledItemDelegate(grid), grid_(grid), list_(list) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    const int side = Side();
    return {side + 2 * kCellPadding, side + 2 * kCellPadding + option.fontMetrics.height() + 2};
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QRect cell = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    if (selected) painter->fillRect(cell, option.palette.brush(QPalette::Active, QPalette::Highlight));
    const int side = Side();
    const QRect square(cell.left() + (cell.width() - side) / 2, cell.top() + kCellPadding, side, side);
    const QString path = list_->FullPath(index.data(Qt::UserRole).toString());
    QImage image;
    switch (grid_->Source()->Find(path, &image)) {
      case TThumbnailSource::State::Ready: {
        const QSize shown = image.size().scaled(square.size(), Qt::KeepAspectRatio).boundedTo(image.size());
        const QRect place(square.left() + (side - shown.width()) / 2, square.top() + (side - shown.height()) / 2,
                          shown.width(), shown.height());
        painter->drawImage(place, image);
        break;
      }
      case TThumbnailSource::State::Failed:
        grid_->style()->standardIcon(QStyle::SP_MessageBoxWarning).paint(painter, square.adjusted(side / 3, side / 3, -side / 3, -side / 3));
        break;
      case TThumbnailSource::State::Waiting:
        painter->fillRect(square.adjusted(side / 8, side / 8, -side / 8, -side / 8), option.palette.color(QPalette::Midlight));
        break;
    }
    if (option.state & QStyle::State_HasFocus) {
      painter->setPen(option.palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Highlight));
      painter->drawRect(cell.adjusted(1, 1, -2, -2));
    }
    const QRect label(cell.left() + 2, square.bottom() + 2, cell.width() - 4, option.fontMetrics.height());
    painter->setPen(option.palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(label, Qt::AlignHCenter | Qt::AlignVCenter,
                      option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideMiddle, label.width()));
  }

 private:
  int Side() const {
    // Cells are drawn at the normal size in device-independent pixels; a
    // large thumbnail fills them on a screen scaled 2×.
    return LongerSide(ThumbnailSize::Normal);
  }
  TThumbnailGrid* grid_;
  const TJpegList* list_;
};

}  // namespace

TThumbnailGrid::TThumbnailGrid(TJpegList* list, QWidget* parent) : QListView(parent), list_(list) {
  setObjectName(QStringLiteral("ThumbnailGrid"));
  setViewMode(QListView::IconMode);
  setMovement(QListView::Static);
  setResizeMode(QListView::Adjust);
  setUniformItemSizes(true);
  setLayoutMode(QListView::Batched);
  setWrapping(true);
  setSpacing(2);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setModel(list->model());
  setSelectionModel(list->selectionModel());
  setItemDelegate(new CellDelegate(this, list));
  setPalette(list->palette());
  SetThumbnailSize(ThumbnailSize::Normal);
  ask_.setSingleShot(true);
  ask_.setInterval(0);
  connect(&ask_, &QTimer::timeout, this, &TThumbnailGrid::AskForCells);
  const auto ask = [this] { ask_.start(); };
  connect(model(), &QAbstractItemModel::modelReset, this, ask);
  connect(model(), &QAbstractItemModel::rowsInserted, this, ask);
  connect(model(), &QAbstractItemModel::rowsRemoved, this, ask);
  connect(list, &TJpegList::ListChanged, this, ask);
  connect(list, &TJpegList::CurrentFileChanged, this, [this](const QString& path) {
    source_->Forget(path);
    viewport()->update();
    ask_.start();
  });
  connect(this, &QAbstractItemView::doubleClicked, this, [this] { emit PictureWanted(); });
}

void TThumbnailGrid::SetThumbnailSize(ThumbnailSize size) {
  if (source_ && source_->Size() == size) return;
  delete source_;
  source_ = new TThumbnailSource(size, this);
  connect(source_, &TThumbnailSource::Ready, this, [this](const QString& path) {
    // Only the cell of that photo is painted again.
    const auto row = requestedRows_.constFind(path);
    if (row != requestedRows_.constEnd()) update(model()->index(row.value(), 0));
  });
  ask_.start();
}

QString TThumbnailGrid::PathAt(int row) const {
  return list_->FullPath(model()->index(row, 0).data(Qt::UserRole).toString());
}

std::pair<int, int> TThumbnailGrid::VisibleRows() const {
  const int count = model()->rowCount();
  if (count == 0 || !isVisible()) return {-1, -1};
  const QRect area = viewport()->rect();
  int first = indexAt(area.topLeft() + QPoint(spacing() + 1, spacing() + 1)).row();
  if (first < 0) first = 0;
  // Back to the start of the row the top cell is in, which may be cut.
  while (first > 0 && visualRect(model()->index(first - 1, 0)).bottom() >= area.top()) --first;
  int last = first;
  while (last + 1 < count && visualRect(model()->index(last + 1, 0)).top() <= area.bottom()) ++last;
  return {first, last};
}

void TThumbnailGrid::AskForCells() {
  const auto [first, last] = VisibleRows();
  requested_.clear();
  requestedRows_.clear();
  const auto request = [this](int row) {
    if (isRowHidden(row)) return;  // left out by the filter
    requested_ << PathAt(row);
    requestedRows_.insert(requested_.last(), row);
  };
  if (first >= 0) {
    const int count = model()->rowCount();
    const int screen = last - first + 1;
    for (int row = first; row <= last; ++row) request(row);
    for (int row = last + 1; row < qMin(count, last + 1 + kScreensAhead * screen); ++row) request(row);
    for (int row = first - 1; row >= qMax(0, first - kScreensBehind * screen); --row) request(row);
    // The cells kept are those of the screens asked for, at the least.
    const qint64 cellBytes = qint64(LongerSide(source_->Size())) * LongerSide(source_->Size()) * 4;
    source_->SetBudget(qMax<qint64>(96ll << 20, cellBytes * requested_.size()));
  }
  source_->Want(requested_);
}

void TThumbnailGrid::scrollContentsBy(int dx, int dy) {
  QListView::scrollContentsBy(dx, dy);
  ask_.start();
}

void TThumbnailGrid::resizeEvent(QResizeEvent* event) {
  QListView::resizeEvent(event);
  ask_.start();
}

void TThumbnailGrid::showEvent(QShowEvent* event) {
  QListView::showEvent(event);
  if (currentIndex().isValid()) scrollTo(currentIndex());
  ask_.start();
}

void TThumbnailGrid::keyPressEvent(QKeyEvent* event) {
  const int row = currentIndex().row();
  // The ends are those of the rows the filter lets show.
  const int first = list_->ShownRowFrom(0, 1);
  const int last = list_->ShownRowFrom(model()->rowCount() - 1, -1);
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (currentIndex().isValid()) emit PictureWanted();
      return;
    case Qt::Key_Delete:
      list_->DeleteSelected();
      return;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_PageUp:
      if (row >= 0 && row == first && event->modifiers() == Qt::NoModifier) emit StopSignRequested();
      break;
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_PageDown:
      if (row >= 0 && row == last && event->modifiers() == Qt::NoModifier) emit StopSignRequested();
      break;
    default:
      break;
  }
  QListView::keyPressEvent(event);
}

}  // namespace pixaldo
