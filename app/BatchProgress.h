#pragma once
// The progress of a command on many photos, in the window: a bar with the
// count ("37 of 200") and a Cancel button. It appears only for a run that
// takes longer than half a second and goes when the run ends.
#include <QPushButton>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>

namespace pixaldo {

class TBatchRun;

class TBatchProgress : public QWidget {
  Q_OBJECT

 public:
  TBatchProgress(TBatchRun& run, QWidget* parent);
  // Takes the texts of the language chosen.
  void ApplyTexts();

  QProgressBar* Bar = nullptr;
  QPushButton* CancelButton = nullptr;
  // How long a run goes on before the bar appears.
  int DelayMilliseconds = 500;

 private:
  void ShowCount(int done, int total);

  QTimer Delay;
};

}  // namespace pixaldo
