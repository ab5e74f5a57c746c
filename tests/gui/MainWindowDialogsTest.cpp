// The main window opens the settings, metadata and about windows from its
// commands and takes the settings over after OK.
#include <QPushButton>
#include <QTimer>
#include <QTest>
#include <QWindow>

#include "app/MainForm.h"
#include "dialogs/DlgAbout.h"
#include "dialogs/DlgMetaData.h"
#include "settings/OptionsStore.h"
#include "settings/SettingsLocation.h"
#include "settings/gui/DlgOptions.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

using namespace pixaldo;
using namespace pixaldo::test;

class MainWindowDialogsTest : public QObject {
  Q_OBJECT

  struct Windows {
    explicit Windows(const TempDir& dir)
        : store((SetSettingsDirectory(dir.path()), OptionsFilePath())),
          options(store, SourcePath("settings/Language.ini")) {}
    OptionsStore store;
    TFormOptions options;
    TFormMetaData metaData;
    TFormAbout about;
  };

  // Runs `command` and, once its modal window is up (a dialog of the
  // command's window), `whileOpen` on it.
  static bool RunModal(QAction* command, QDialog& window, const std::function<void()>& whileOpen) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
      const QWidget* owner = qobject_cast<QWidget*>(command->parent());
      seen = window.isVisible() && owner && window.windowHandle()->transientParent() == owner->windowHandle();
      whileOpen();
      if (window.isVisible()) window.reject();
    });
    command->trigger();
    return seen;
  }

 private slots:
  void CommandsOpenTheirWindows() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    auto form = ShowForm({QString::fromStdString(dir.path().string())});
    Windows windows(dir);
    form->SetDialogs(&windows.options, &windows.metaData, &windows.about);

    QVERIFY(RunModal(form->Action("AppAbout"), windows.about, [] {}));
    QString shownFile;
    QVERIFY(RunModal(form->Action("FileMetadataShow"), windows.metaData,
                     [&] { shownFile = windows.metaData.FileName; }));
    QCOMPARE(shownFile, form->CurrentFile);
    QVERIFY(RunModal(form->Action("AppOptions"), windows.options, [] {}));
    // They are dialogs: no minimise or maximise button, and a fixed size.
    for (const QDialog* dialog : {static_cast<QDialog*>(&windows.options), static_cast<QDialog*>(&windows.metaData),
                                  static_cast<QDialog*>(&windows.about)}) {
      const Qt::WindowFlags flags = dialog->windowFlags();
      QVERIFY2((flags & Qt::CustomizeWindowHint) &&
                   !(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)),
               qPrintable(dialog->objectName()));
      QVERIFY2(dialog->minimumSize() == dialog->maximumSize(), qPrintable(dialog->objectName()));
    }
  }

  void SettingsOkRefillsCategoriesAndKeepsTypedText() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    MainWindowSettings settings = DefaultSettings();
    settings.Categories = {"Sea", "Zoo"};
    auto form = ShowForm({QString::fromStdString(dir.path().string())}, settings);
    Windows windows(dir);
    form->SetDialogs(&windows.options, &windows.metaData, &windows.about);
    QCOMPARE(form->Info->CBox1->count(), 2);
    form->Info->CBox1->clear();
    form->Info->CBox1->setEditText("typed");
    RunModal(form->Action("AppOptions"), windows.options,
             [&] { windows.options.findChild<QPushButton*>("BtnOK")->click(); });
    QCOMPARE(form->Info->CBox1->count(), 2);
    QCOMPARE(form->Info->CBox1->currentText(), QString("typed"));
    QVERIFY(std::filesystem::exists(dir / "Options.ini"));
  }

  void CropRatioStepIsStoredAtTheNextOk() {
    PIXALDO_QT_NEEDS_SAMPLES();
    TempDir dir;
    dir.Copy("cameras/Canon_40D.jpg", "a.jpg");
    auto form = ShowForm({QString::fromStdString(dir.path().string())});
    Windows windows(dir);
    form->SetDialogs(&windows.options, &windows.metaData, &windows.about);
    form->Action("JpgCropRatio")->trigger();
    form->Action("JpgCropRatio")->trigger();
    QCOMPARE(windows.options.CropRatioRadioGroup->ItemIndex(), 2);
    QVERIFY(!std::filesystem::exists(dir / "Options.ini"));
    RunModal(form->Action("AppOptions"), windows.options,
             [&] { windows.options.findChild<QPushButton*>("BtnOK")->click(); });
    QVERIFY(ReadBytes(dir / "Options.ini").find("CropProportion=2\r\n") != std::string::npos);
    QCOMPARE(form->CropProportion(), 2);
  }

  void LanguageChoiceRelabelsTheMainWindowAfterOk() {
    TempDir dir;
    auto form = ShowForm({QString::fromStdString(dir.path().string())});
    Windows windows(dir);
    form->SetDialogs(&windows.options, &windows.metaData, &windows.about);
    const auto choose = [&](int language, const char* button) {
      RunModal(form->Action("AppOptions"), windows.options, [&] {
        windows.options.LangRadioGroup->SetItemIndex(language);
        windows.options.findChild<QPushButton*>(button)->click();
      });
    };
    choose(1, "BtnOK");
    QCOMPARE(form->Action("AppExit")->text(), QStringLiteral("Konec"));
    QCOMPARE(form->Action("AppDirOpen")->toolTip(), QString::fromUtf8("Otevřít adresář (Ctrl+O)"));
    // A language picked and cancelled never reaches the main window.
    choose(0, "BtnCancel");
    QCOMPARE(form->Action("AppExit")->text(), QStringLiteral("Konec"));
    choose(0, "BtnOK");
    QCOMPARE(form->Action("AppExit")->text(), QStringLiteral("Exit"));
  }

  void SettingsCancelChangesNothing() {
    TempDir dir;
    auto form = ShowForm({QString::fromStdString(dir.path().string())});
    Windows windows(dir);
    form->SetDialogs(&windows.options, &windows.metaData, &windows.about);
    form->Info->CBox1->addItem("kept");
    RunModal(form->Action("AppOptions"), windows.options, [] {});
    QCOMPARE(form->Info->CBox1->count(), 1);
    QVERIFY(!std::filesystem::exists(dir / "Options.ini"));
  }
};

QTEST_MAIN(MainWindowDialogsTest)
#include "MainWindowDialogsTest.moc"
