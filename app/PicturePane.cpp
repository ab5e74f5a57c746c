#include "app/PicturePane.h"

#include <QContextMenuEvent>
#include <QKeySequence>
#include <QStackedLayout>

#include "app/ActionIcons.h"
#include "app/CommandTable.h"
#include "app/MainWindowSettings.h"
#include "app/ShortcutDispatch.h"
#include "app/StopSign.h"
#include "photo_view/gui/PhotoImage.h"
#include "platform/FileError.h"
#include "platform/gui/UserMessages.h"
#include "settings/OptionsStore.h"

namespace pixaldo {
namespace {

void StoreFitModeInSettings(FitMode mode) {
  OptionsStore& options = ViewerOptions();
  options.SetInteger("FitMode", static_cast<int>(mode));
  try {
    options.SaveSettings();
  } catch (const FileError& error) {
    ShowFileError(nullptr, error.path(), QString::fromUtf8(error.reason()));
  }
}

}  // namespace

TPicturePane::TPicturePane(QWidget* parent, QLabel* cropLabel, QAction* cropAction, QLabel* zoomLabel,
                           QAction* fitAction)
    : QWidget(parent), StoreFitMode(&StoreFitModeInSettings), ZoomLabel(zoomLabel), FitAction(fitAction) {
  setObjectName(QStringLiteral("ImageHost"));
  auto* stack = new QStackedLayout(this);
  stack->setStackingMode(QStackedLayout::StackAll);
  StopSign_ = new QLabel(this);
  StopSign_->setObjectName(QStringLiteral("ImageStop"));
  StopSign_->setAlignment(Qt::AlignCenter);
  StopSign_->setPixmap(StopSignPixmap());
  StopSign_->setAutoFillBackground(true);
  QPalette black = StopSign_->palette();
  black.setColor(QPalette::Window, Qt::black);
  StopSign_->setPalette(black);
  Panel_ = new QWidget(this);
  Panel_->setObjectName(QStringLiteral("PanelImage"));
  Panel_->setAutoFillBackground(true);
  Panel_->setPalette(black);
  Panel_->installEventFilter(this);
  stack->addWidget(StopSign_);
  stack->addWidget(Panel_);
  stack->setCurrentWidget(Panel_);
  Image_ = new TPhotoImage(Panel_, cropLabel, cropAction);
  Image_->installEventFilter(this);
}

void TPicturePane::TakeViewCommands(const QList<QAction*>& actions, QMenu* menu) {
  ViewMenu = new QMenu(this);
  ViewMenu->setObjectName(QStringLiteral("ViewMenu"));
  if (menu) menu->addSeparator();
  for (const char* name : kViewMenu)
    for (QAction* action : actions)
      if (action->objectName() == QLatin1String(name)) {
        ViewMenu->addAction(action);
        if (menu) menu->addAction(action);
      }
  ViewMenu->addSeparator();
  ViewMenu->addAction(FitAction);
  const std::pair<const char*, void (TPhotoImage::*)()> commands[] = {
      {"AppZoomIn", &TPhotoImage::ZoomIn},
      {"AppZoomOut", &TPhotoImage::ZoomOut},
      {"AppZoomActual", &TPhotoImage::ActualPixels},
      {"AppZoomFit", &TPhotoImage::FitView},
  };
  for (QAction* action : actions) {
    for (const auto& [name, command] : commands)
      if (action->objectName() == QLatin1String(name)) {
        connect(action, &QAction::triggered, Image_, command);
        action->setProperty(kYieldsToTextFields, true);
      }
    // The same command on the other keys it is known by.
    for (const AlternateKey& alternate : kAlternateKeys)
      if (action->objectName() == QLatin1String(alternate.Name))
        action->setShortcuts(action->shortcuts() << QKeySequence(QString::fromLatin1(alternate.Shortcut)));
  }
}

void TPicturePane::SetChoice(FitChoice choice) {
  Choice_ = choice;
  ShowFitMode();
}

void TPicturePane::NextFitMode() {
  Choice_.mode = pixaldo::NextFitMode(Choice_.mode);
  if (StoreFitMode) StoreFitMode(Choice_.mode);
  ShowFitMode();
  Fit();
}

void TPicturePane::ShowFitMode() {
  if (FitAction) FitAction->setIcon(ActionIcon(Choice_.mode == FitMode::Square ? 20 : 21));
}

void TPicturePane::Fit() { Image_->FitAndShow(Choice_, CropAllowed(), ZoomLabel); }

bool TPicturePane::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Panel_ && event->type() == QEvent::Resize) {
    if (LayoutReady()) Image_->PanelResized(CropAllowed());
  } else if (event->type() == QEvent::ContextMenu && ViewMenu && !Presenting()) {
    ViewMenu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace pixaldo
