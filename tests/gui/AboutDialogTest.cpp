#include <QLabel>
#include <QPlainTextEdit>
#include <QtTest>

#include "dialogs/DlgAbout.h"

using namespace pixaldo;

class AboutDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void historyFollowsTheLanguage() {
    TFormAbout about;
    int language = 1;
    about.SetLanguageSource([&] { return language; });
    about.show();
    QVERIFY(about.MemoCZ->isVisible());
    QVERIFY(!about.MemoEN->isVisible());
    QVERIFY(about.MemoCZ->toPlainText().startsWith("Novinky ve verzi 3.2 (5.12.2004):"));
    about.hide();
    language = 0;
    about.show();
    QVERIFY(about.MemoEN->isVisible());
    QVERIFY(about.MemoEN->toPlainText().startsWith("News in version 3.2 (5.12.2004):"));
  }

  void linksOpenTheirOwnTextAndUnderlineUnderThePointer() {
    TFormAbout about;
    QStringList opened;
    about.SetLinkOpener([&](const QString& target) { opened << target; });
    about.show();
    QCOMPARE(int(about.HtmlLabels.size()), 6);
    QLabel* link = about.HtmlLabels[2];
    QTest::mouseMove(link);
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), link->mapToGlobal(QPointF(2, 2)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(link, &move);
    QVERIFY(link->font().underline());
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(opened, QStringList{link->text()});
    about.FormMouseMove();
    for (QLabel* label : about.HtmlLabels) QVERIFY(!label->font().underline());
  }

  void creditsNameNoInventedPeople() {
    TFormAbout about;
    QCOMPARE(about.objectName(), QString("FormAbout"));
    QCOMPARE(about.windowTitle(), QString("About"));
    bool authorLine = false;
    for (QLabel* label : about.findChildren<QLabel*>()) authorLine |= label->text().contains("Pixaldo developers");
    QVERIFY(authorLine);
    for (QLabel* link : about.HtmlLabels) QVERIFY(!link->text().startsWith("mailto:"));
  }

  // PIXALDO_ABOUT_SHOT=file.png saves the window as shown, for a look.
  void writesScreenshotWhenAsked() {
    QByteArray target = qgetenv("PIXALDO_ABOUT_SHOT");
    if (target.isEmpty()) QSKIP("no screenshot requested");
    TFormAbout about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QVERIFY(about.grab().save(QString::fromLocal8Bit(target)));
  }
};

QTEST_MAIN(AboutDialogTest)
#include "AboutDialogTest.moc"
