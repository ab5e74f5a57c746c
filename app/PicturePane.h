#pragma once
// The picture pane of the main window: the panel the photo is shown in
// (`PanelImage`, with the stop sign `ImageStop` over it), the photo view,
// its fit mode and the view's commands (zoom in and out, actual pixels, fit,
// the fit mode) with their menu. The main window places the pane, hands it
// the commands and tells it when to fit; the pane does the rest.
#include <QAction>
#include <QLabel>
#include <QList>
#include <QMenu>
#include <QWidget>
#include <functional>

#include "photo_view/ZoomGeometry.h"

namespace pixaldo {

class TPhotoImage;

class TPicturePane : public QWidget {
  Q_OBJECT

 public:
  // The crop label and command go to the photo view; the zoom label shows
  // the zoom; the fit command's icon tells the square fit from the others.
  TPicturePane(QWidget* parent, QLabel* cropLabel, QAction* cropAction, QLabel* zoomLabel, QAction* fitAction);

  QWidget* Panel() const { return Panel_; }
  QLabel* StopSign() const { return StopSign_; }
  TPhotoImage* Image() const { return Image_; }

  // Takes the view's commands out of the main window's list: connects them,
  // lets their keys go to text fields that have the focus, and builds the
  // view's menu (a right click on the picture, or `menu` when given).
  void TakeViewCommands(const QList<QAction*>& actions, QMenu* menu = nullptr);

  FitChoice Choice() const { return Choice_; }
  // The fit mode and the enlarging of small photos from the settings.
  void SetChoice(FitChoice choice);
  // Ctrl+Enter: the next fit mode, stored and shown.
  void NextFitMode();
  // Fits the picture as the mode says (after a load, a settings change).
  void Fit();

  // Whether the mouse may draw a crop frame now.
  std::function<bool()> CropAllowed = [] { return false; };
  // Whether a resize of the panel is final (no layout switch going on).
  std::function<bool()> LayoutReady = [] { return true; };
  // Whether the main window presents: its own pop-up menu then serves.
  std::function<bool()> Presenting = [] { return false; };
  // Keeps a new fit mode; by default in the settings file.
  std::function<void(FitMode)> StoreFitMode;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowFitMode();

  QWidget* Panel_ = nullptr;
  QLabel* StopSign_ = nullptr;
  TPhotoImage* Image_ = nullptr;
  QLabel* ZoomLabel = nullptr;
  QAction* FitAction = nullptr;
  QMenu* ViewMenu = nullptr;
  FitChoice Choice_;
};

}  // namespace pixaldo
