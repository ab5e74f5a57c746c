// Texts cut off by the info panel: their whole text for the tool tip, and
// none for text that fits.
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QTest>

#include "app/ElidedTips.h"

using namespace pixaldo;

class ElidedTipsTest : public QObject {
  Q_OBJECT

 private slots:
  void WholeTextOnlyWhenCut() {
    QLabel label(QStringLiteral("Měřítko:"));
    label.resize(400, 20);
    QVERIFY(TElidedTips::CutText(label).isEmpty());
    label.setText(QStringLiteral("A very long translated label that the panel cuts"));
    label.resize(60, 20);
    QCOMPARE(TElidedTips::CutText(label), label.text());

    QTableWidget grid(1, 2);
    grid.horizontalHeader()->hide();
    grid.verticalHeader()->hide();
    grid.setColumnWidth(0, 55);
    grid.setColumnWidth(1, 300);
    grid.resize(150, 40);
    grid.setItem(0, 1, new QTableWidgetItem(QStringLiteral("1/8")));
    const QPoint cell(80, grid.rowHeight(0) / 2);
    QVERIFY(TElidedTips::CutText(grid, cell).isEmpty());
    const QString model = QStringLiteral("Canon EOS 5D Mark IV with a long lens name");
    grid.item(0, 1)->setText(model);
    QCOMPARE(TElidedTips::CutText(grid, cell), model);
  }
};

QTEST_MAIN(ElidedTipsTest)
#include "ElidedTipsTest.moc"
