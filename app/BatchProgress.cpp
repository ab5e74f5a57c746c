#include "app/BatchProgress.h"

#include <QHBoxLayout>

#include "app/BatchRun.h"
#include "settings/gui/DlgOptions.h"

namespace pixaldo {

TBatchProgress::TBatchProgress(TBatchRun& run, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("BatchProgress"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  Bar = new QProgressBar(this);
  Bar->setObjectName(QStringLiteral("BatchProgressBar"));
  Bar->setTextVisible(true);
  CancelButton = new QPushButton(this);
  CancelButton->setObjectName(QStringLiteral("BatchCancel"));
  ApplyTexts();
  layout->addWidget(Bar, 1);
  layout->addWidget(CancelButton);
  hide();
  Delay.setSingleShot(true);
  connect(&Delay, &QTimer::timeout, this, &QWidget::show);
  connect(CancelButton, &QPushButton::clicked, &run, &TBatchRun::Cancel);
  connect(&run, &TBatchRun::Started, this, [this](const QString& name, int total) {
    Bar->setRange(0, total);
    ShowCount(0, total);
    Bar->setToolTip(name);
    Delay.start(DelayMilliseconds);
  });
  connect(&run, &TBatchRun::Progress, this, &TBatchProgress::ShowCount);
  connect(&run, &TBatchRun::Finished, this, [this] {
    Delay.stop();
    hide();
  });
}

void TBatchProgress::ApplyTexts() {
  CancelButton->setText(ProgramText(160, "Cancel"));
  if (Bar->value() >= 0) ShowCount(Bar->value(), Bar->maximum());  // a run has begun
}

void TBatchProgress::ShowCount(int done, int total) {
  Bar->setValue(done);
  Bar->setFormat(ProgramText(221, "%1 of %2").arg(done).arg(total));
}

}  // namespace pixaldo
