#pragma once
// The crop mode shared by the photo view, the settings window and the two
// crop command icons: the proportion (0 free, then the fixed ratios and
// sizes, 0..4) and the style (0 landscape, 1 portrait).
namespace pixaldo {

class TFormMain;

class TCropModeCommands {
 public:
  explicit TCropModeCommands(TFormMain& form) : Form(form) {}

  // The settings window's choice once that window exists.
  int Proportion() const;
  // Sets the mode in the view, the settings window and the icons.
  void Apply(int proportion, int style);
  // The commands: the other style, the next proportion.
  void JpgCropStyleExecute();
  void JpgCropRatioExecute();

 private:
  TFormMain& Form;
  int Proportion_ = 0;  // mirrors the settings window's choice
};

}  // namespace pixaldo
