#include "app/CropModeCommands.h"

#include "app/ActionIcons.h"
#include "app/MainForm.h"
#include "app/WindowCommands.h"
#include "photo_view/gui/PhotoImage.h"
#include "settings/gui/DlgOptions.h"
#include "transforms/JpegTran.h"

namespace pixaldo {

int TCropModeCommands::Proportion() const {
  const TFormOptions* options = Form.Windows->Options();
  return options ? options->CropRatioRadioGroup->ItemIndex() : Proportion_;
}

void TCropModeCommands::Apply(int proportion, int style) {
  const MainWindowSettings settings = Form.ReadSettings();
  Form.PhotoView->SetCropMode(proportion, style, settings.CropRatioN, settings.CropRatioM, settings.CropSizeN,
                              settings.CropSizeM);
  // The choice lives in the settings window; it is stored at its next OK.
  Proportion_ = proportion;
  if (TFormOptions* options = Form.Windows->Options()) {
    options->Store().SetInteger("CropProportion", proportion);
    options->CropRatioRadioGroup->SetItemIndex(proportion);
  }
  QAction* styleAction = Form.Action("JpgCropStyle");
  styleAction->setIcon(ActionIcon(10 + style));
  Form.Action("JpgCropRatio")->setIcon(ActionIcon(12 + proportion));
  styleAction->setEnabled(proportion != 0 && !Form.CurrentFile.isEmpty() && Form.Transformer->JpegTranAvailable());
}

void TCropModeCommands::JpgCropStyleExecute() { Apply(Proportion(), (Form.PhotoView->CropStyle() + 1) % 2); }

void TCropModeCommands::JpgCropRatioExecute() { Apply((Proportion() + 1) % 5, Form.PhotoView->CropStyle()); }

}  // namespace pixaldo
