#pragma once
// TThumbnailGrid: the folder as a grid of thumbnails, a second view of the
// file list's model and selection model: the same order, current file and
// selection. Cells are virtual (only the visible ones are painted, and only
// their thumbnails and those near them are asked for), each shows the
// picture upright with the name under it, elided, the whole name in its tool
// tip. The arrows move in two dimensions, Home/End and Page Up/Down as in
// the list; Shift and Ctrl select; Enter or a double-click asks for the
// picture of the current file.
#include <QHash>
#include <QListView>
#include <QTimer>

#include "thumbnails/ThumbnailNames.h"

namespace pixaldo {

class TJpegList;
class TThumbnailSource;

class TThumbnailGrid : public QListView {
  Q_OBJECT

 public:
  TThumbnailGrid(TJpegList* list, QWidget* parent);

  TThumbnailSource* Source() const { return source_; }
  // The cache size the cells use (large on screens scaled 2× or more).
  void SetThumbnailSize(ThumbnailSize size);
  // The rows whose cells are in sight, first and last; -1, -1 with none.
  std::pair<int, int> VisibleRows() const;
  // The paths asked for at the last request, most urgent first.
  const QStringList& Requested() const { return requested_; }

 signals:
  // Enter or a double-click on a cell: show that photo.
  void PictureWanted();
  // A move ran past either end.
  void StopSignRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void showEvent(QShowEvent* event) override;

 private:
  void AskForCells();
  QString PathAt(int row) const;

  TJpegList* list_;
  TThumbnailSource* source_ = nullptr;
  QTimer ask_;  // gathers scrolls and changes into one request
  QStringList requested_;
  QHash<QString, int> requestedRows_;  // their rows, to paint a cell when it arrives
};

}  // namespace pixaldo
