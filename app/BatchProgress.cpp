#include "app/BatchProgress.h"

#include <QHBoxLayout>

#include "app/BatchRun.h"

namespace pixaldo {

TBatchProgress::TBatchProgress(TBatchRun& run, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("BatchProgress"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  Bar = new QProgressBar(this);
  Bar->setObjectName(QStringLiteral("BatchProgressBar"));
  Bar->setTextVisible(true);
  CancelButton = new QPushButton(tr("Cancel"), this);
  CancelButton->setObjectName(QStringLiteral("BatchCancel"));
  layout->addWidget(Bar, 1);
  layout->addWidget(CancelButton);
  hide();
  Delay.setSingleShot(true);
  connect(&Delay, &QTimer::timeout, this, &QWidget::show);
  connect(CancelButton, &QPushButton::clicked, &run, &TBatchRun::Cancel);
  connect(&run, &TBatchRun::Started, this, [this](const QString& name, int total) {
    Bar->setRange(0, total);
    Bar->setValue(0);
    Bar->setFormat(tr("%1 of %2").arg(0).arg(total));
    Bar->setToolTip(name);
    Delay.start(DelayMilliseconds);
  });
  connect(&run, &TBatchRun::Progress, this, [this](int done, int total) {
    Bar->setValue(done);
    Bar->setFormat(tr("%1 of %2").arg(done).arg(total));
  });
  connect(&run, &TBatchRun::Finished, this, [this] {
    Delay.stop();
    hide();
  });
}

}  // namespace pixaldo
