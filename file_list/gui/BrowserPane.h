#pragma once
// TBrowserPane: the folder's browser, the file list in the info bar and the
// thumbnail grid that stands in place of the picture when it is chosen, and
// the filter box above the list that limits both. Both
// are views of one model (the list's), so they share the order, the current
// file, the selection, the folder watching, renames and deletes. The main
// window only places the two and follows the pane's signals.
#include <QAbstractItemView>
#include <QObject>
#include <functional>

namespace pixaldo {

class TJpegList;
class TListFilter;
class TThumbnailGrid;

class TBrowserPane : public QObject {
  Q_OBJECT

 public:
  // The list goes into `listPanel`; the grid goes beside `picture` (into
  // its parent's stacked layout) and takes its place when shown.
  TBrowserPane(QWidget* listPanel, QWidget* picture);

  TJpegList* List() const { return list_; }
  TThumbnailGrid* Grid() const { return grid_; }
  // The filter box above the list, which limits both views.
  TListFilter* Filter() const { return filter_; }
  bool GridShown() const { return gridShown_; }
  // The picture or the grid, whichever is shown in the picture's place.
  QWidget* ShownPane() const;
  // The view the arrow keys browse with: the grid when shown, else the list.
  QAbstractItemView* ViewWithKeys() const;
  // Lets `filter` see the events of both views (and their viewports).
  void WatchInput(QObject* filter) const;
  // Whether the object is one of the views or their viewports.
  bool IsView(const QObject* object) const;
  // Shows the grid in place of the picture, or the picture again; the keys
  // go to the view shown. Tells KeepChoice, so that the next start shows
  // the same.
  void ShowGrid(bool shown);
  // Where the choice is kept (the settings file by default; tests replace it).
  std::function<void(bool)> KeepChoice;

 signals:
  // The grid or the picture took the other's place.
  void GridToggled(bool shown);

 private:
  TJpegList* list_;
  QWidget* picture_;
  TThumbnailGrid* grid_;
  TListFilter* filter_;
  bool gridShown_ = false;
};

}  // namespace pixaldo
