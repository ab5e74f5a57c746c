#pragma once
// The save dialog of a transformed copy: a JPEG save dialog with a preview of
// the picture under the selected name, opened on the proposed name (its
// folder and name). It asks before it replaces a file, has no read-only box
// and can be resized. An empty result means the user cancelled.
#include <QFileDialog>
#include <QLabel>
#include <QString>

#include "colour/ColourSource.h"

namespace pixaldo {

class TSaveAsDialog : public QFileDialog {
  Q_OBJECT

 public:
  explicit TSaveAsDialog(QWidget* owner);

  // Shows the dialog modally on `proposed`; the chosen name or empty.
  QString Ask(const QString& proposed);

  // Shows the picture of `file` reduced into the preview box, or nothing
  // when it is no readable JPEG.
  void ShowPreview(const QString& file);
  QLabel* Preview = nullptr;
  // What the preview is drawn for (the screen's profile, the settings).
  ColourTarget Colour = ColourTarget::Off();
};

}  // namespace pixaldo
