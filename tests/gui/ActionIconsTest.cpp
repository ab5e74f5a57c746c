#include <QCryptographicHash>
#include <QImage>
#include <QPainter>
#include <QSet>
#include <QtTest>

#include "app/ActionIcons.h"

using namespace pixaldo;

class ActionIconsTest : public QObject {
  Q_OBJECT

  static QByteArray Digest(const QPixmap& pixmap) {
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    return QCryptographicHash::hash(QByteArrayView(image.constBits(), image.sizeInBytes()),
                                    QCryptographicHash::Sha1);
  }

 private slots:
  void everyIconIsDrawnAndDistinct() {
    QSet<QByteArray> seen;
    for (int i = 0; i < kActionIconCount; ++i) {
      QPixmap normal = ActionIconPixmap(i);
      QCOMPARE(normal.size(), QSize(24, 24));
      QImage image = normal.toImage();
      int opaque = 0;
      for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) opaque += qAlpha(image.pixel(x, y)) > 0;
      QVERIFY2(opaque > 20, qPrintable(QString("icon %1 is nearly empty").arg(i)));
      seen.insert(Digest(normal));
    }
    QCOMPARE(seen.size(), kActionIconCount);
  }

  void variantsDifferAndOutOfRangeIsEmpty() {
    for (int i = 0; i < kActionIconCount; ++i) {
      QVERIFY(Digest(ActionIconPixmap(i, IconVariant::Normal)) != Digest(ActionIconPixmap(i, IconVariant::Disabled)));
      QVERIFY(Digest(ActionIconPixmap(i, IconVariant::Normal)) !=
              Digest(ActionIconPixmap(i, IconVariant::Highlighted)));
      QIcon icon = ActionIcon(i);
      QVERIFY(!icon.pixmap(24, 24, QIcon::Disabled).isNull());
    }
    QVERIFY(ActionIconPixmap(-1).isNull());
    QVERIFY(ActionIconPixmap(kActionIconCount).isNull());
    QVERIFY(ActionIcon(99).isNull());
  }

  // PIXALDO_ICON_SHEET=file.png writes the whole strip in its three variants, for a look.
  void writesSheetWhenAsked() {
    QByteArray target = qgetenv("PIXALDO_ICON_SHEET");
    if (target.isEmpty()) QSKIP("no sheet requested");
    QImage sheet(kActionIconCount * 28, 3 * 28, QImage::Format_ARGB32);
    sheet.fill(QColor(236, 233, 216));
    QPainter painter(&sheet);
    for (int v = 0; v < 3; ++v)
      for (int i = 0; i < kActionIconCount; ++i)
        painter.drawPixmap(i * 28 + 2, v * 28 + 2, ActionIconPixmap(i, IconVariant(v)));
    painter.end();
    QVERIFY(sheet.scaled(sheet.size() * 3).save(QString::fromLocal8Bit(target)));
  }
};

QTEST_MAIN(ActionIconsTest)
#include "ActionIconsTest.moc"
