#include "file_list/gui/BrowserPane.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStackedLayout>

#include "file_list/gui/JpegList.h"
#include "file_list/gui/ListFilter.h"
#include "file_list/gui/ThumbnailGrid.h"

namespace pixaldo {

TBrowserPane::TBrowserPane(QWidget* listPanel, QWidget* picture)
    : QObject(listPanel),
      list_(new TJpegList(listPanel)),
      picture_(picture),
      grid_(new TThumbnailGrid(list_, picture->parentWidget())),
      filter_(new TListFilter(list_, grid_)) {
  if (auto* stack = qobject_cast<QStackedLayout*>(picture->parentWidget()->layout())) stack->addWidget(grid_);
  grid_->hide();
  // Cells in the large size on screens scaled 2× or more, so that they are
  // sharp there.
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen && screen->devicePixelRatio() >= 2) grid_->SetThumbnailSize(ThumbnailSize::Large);
  // Enter or a double-click in the grid shows that photo's picture.
  connect(grid_, &TThumbnailGrid::PictureWanted, this, [this] { ShowGrid(false); });
  connect(grid_, &TThumbnailGrid::StopSignRequested, list_, &TJpegList::StopSignRequested);
}

void TBrowserPane::ShowGrid(bool shown) {
  if (shown == gridShown_) return;
  gridShown_ = shown;
  picture_->setVisible(!shown);
  grid_->setVisible(shown);
  if (shown) {
    grid_->raise();  // above the stop sign that waits behind the picture
    grid_->setFocus(Qt::OtherFocusReason);
  }
  if (!shown && grid_->hasFocus()) list_->setFocus(Qt::OtherFocusReason);
  if (KeepChoice) KeepChoice(shown);
  emit GridToggled(shown);
}


QWidget* TBrowserPane::ShownPane() const { return gridShown_ ? static_cast<QWidget*>(grid_) : picture_; }

QAbstractItemView* TBrowserPane::ViewWithKeys() const {
  return gridShown_ ? static_cast<QAbstractItemView*>(grid_) : list_;
}

void TBrowserPane::WatchInput(QObject* filter) const {
  for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(list_), static_cast<QAbstractItemView*>(grid_)}) {
    view->installEventFilter(filter);
    view->viewport()->installEventFilter(filter);
  }
}

bool TBrowserPane::IsView(const QObject* object) const {
  return object == list_ || object == list_->viewport() || object == grid_ || object == grid_->viewport();
}

}  // namespace pixaldo
