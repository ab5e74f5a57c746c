#include "transforms/gui/SaveAsDialog.h"

#include <QFileInfo>
#include <QGridLayout>

#include "colour/ColourEngine.h"
#include "photo_view/FitGeometry.h"
#include "photo_view/JpegDecoder.h"
#include "photo_view/Resampler.h"
#include "platform/gui/UserMessages.h"

namespace pixaldo {
namespace {

constexpr int kPreviewSide = 160;

}  // namespace

TSaveAsDialog::TSaveAsDialog(QWidget* owner) : QFileDialog(owner) {
  setObjectName(QStringLiteral("SaveAsDialog"));
  // The preview needs the dialog's own widgets rather than the desktop's.
  setOption(QFileDialog::DontUseNativeDialog, true);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  setNameFilters({QStringLiteral("JPEG Image File (*.jpg *.jpeg)")});
  setDefaultSuffix(QStringLiteral("jpg"));
  setSizeGripEnabled(true);
  Preview = new QLabel(this);
  Preview->setObjectName(QStringLiteral("Preview"));
  Preview->setFixedSize(kPreviewSide, kPreviewSide);
  Preview->setAlignment(Qt::AlignCenter);
  Preview->setFrameShape(QFrame::StyledPanel);
  if (auto* grid = qobject_cast<QGridLayout*>(layout()))
    grid->addWidget(Preview, 0, grid->columnCount(), grid->rowCount(), 1, Qt::AlignTop);
  connect(this, &QFileDialog::currentChanged, this, &TSaveAsDialog::ShowPreview);
}

QString TSaveAsDialog::Ask(const QString& proposed) {
  const QFileInfo info(proposed);
  setDirectory(info.absolutePath());
  selectFile(info.fileName());
  ShowPreview(proposed);
  if (exec() != QDialog::Accepted || selectedFiles().isEmpty()) return QString();
  return selectedFiles().first();
}

void TSaveAsDialog::ShowPreview(const QString& file) {
  Preview->clear();
  if (!QFileInfo(file).isFile()) return;
  try {
    // The smallest DCT scale that still covers the box: a few milliseconds
    // even for a large photo.
    JpegDecoder decoder;
    decoder.SetColour(Colour);
    const DecodedPicture picture = decoder.Decode(QStringToPath(file), kPreviewSide, kPreviewSide);
    const FitResult fit = FitGeometry::FitToParent(kPreviewSide, kPreviewSide, picture.image.width,
                                                   picture.image.height, false);
    RgbImage small = Resampler::Resample(picture.image, fit.width, fit.height, 1);
    ConvertToScreen(small.pixels.data(), small.pixels.size() / 3, picture.colour);
    const QImage image(small.pixels.data(), small.width, small.height, qsizetype(small.Stride()),
                       QImage::Format_RGB888);
    Preview->setPixmap(QPixmap::fromImage(image));
  } catch (const std::exception&) {
    // Not a picture this dialog can show; the name can still be chosen.
  }
}

}  // namespace pixaldo
