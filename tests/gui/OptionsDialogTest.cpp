// The settings window: what a first start shows, what OK writes to
// Options.ini, what Cancel drops, the category list, the crop ratio items,
// the colour and the language.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTabWidget>
#include <QtTest>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "platform/gui/UserMessages.h"
#include "settings/SettingsLocation.h"
#include "settings/gui/DlgOptions.h"
#include "support/GuiTestSupport.h"
#include "support/TestSupport.h"

using namespace pixaldo;
using namespace pixaldo::test;

namespace {

// The texts of the message boxes shown so far.
QStringList Texts(const MessageRecorder& recorder) {
  QStringList texts;
  for (const UserMessage& message : recorder.messages) texts << message.text;
  return texts;
}

// A settings folder of its own, the shipped Language.ini unless told otherwise.
struct Fixture {
  explicit Fixture(std::filesystem::path languageFile = SourcePath("settings/Language.ini")) : language(languageFile) {
    SetSettingsDirectory(dir.path());
  }
  ~Fixture() { SetSettingsDirectory({}); }
  std::unique_ptr<TFormOptions> Open() {
    stores.push_back(std::make_unique<OptionsStore>(OptionsFilePath()));
    store = stores.back().get();
    auto form = std::make_unique<TFormOptions>(*store, language);
    form->show();
    return form;
  }
  std::string OptionsText() const { return ReadBytes(dir / "Options.ini"); }

  TempDir dir;
  std::filesystem::path language;
  MessageRecorder messages{QMessageBox::Ok};
  std::vector<std::unique_ptr<OptionsStore>> stores;  // one per start; each window keeps its own
  OptionsStore* store = nullptr;
};

QString Text(int number) { return QString::fromStdString(ProgramLanguageTexts().Utf8(number)); }

// The lines of one section, without line ends.
QStringList SectionLines(const std::string& ini, const QString& section) {
  QStringList lines;
  bool inside = false;
  for (QString line : QString::fromLatin1(ini).split('\n')) {
    line.remove('\r');
    if (line.startsWith('[')) {
      inside = line == "[" + section + "]";
      continue;
    }
    if (inside && !line.isEmpty()) lines << line;
  }
  return lines;
}

}  // namespace

class OptionsDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void firstStartShowsTheDefaults() {
    Fixture f;
    auto form = f.Open();
    QVERIFY(Texts(f.messages).isEmpty());
    QCOMPARE(form->PageControl->currentWidget(), form->TabLang);
    QCOMPARE(form->CropRatioRadioGroup->ItemIndex(), 0);
    QCOMPARE(form->CropRatioRadioGroup->ItemText(0), Text(54));
    QCOMPARE(form->StretchRadioGroup->ItemIndex(), 0);
    QVERIFY(!form->MaxCropFrame->isChecked());
    QVERIFY(form->OldDateCheckBox->isChecked() && form->ThumbAutoCheckBox->isChecked() &&
            form->OverwriteCheckBox->isChecked());
    QVERIFY(!form->TrimCheckBox->isChecked() && !form->OverwriteCropCheckBox->isChecked());
    QCOMPARE(form->SuffixCropEdit->text(), QString("_crop"));
    QCOMPARE(form->CropRatioRadioGroup->ItemText(3), Text(57) + " (1:1)");
    QCOMPARE(form->CropRatioRadioGroup->ItemText(4), Text(58) + " (16x16)");
    QCOMPARE(form->LangRadioGroup->ItemIndex(), 0);
    QVERIFY(form->LangRadioGroup->isEnabled());
    QCOMPARE(form->FormColorBox->currentText(), QString("clGradientActiveCaption"));
    QCOMPARE(form->ListBox1->count(), 0);
    QCOMPARE(form->windowTitle(), QString("Program settings"));
    QVERIFY(!std::filesystem::exists(f.dir / "Options.ini"));
  }

  void okWritesEverySettingInOrder() {
    Fixture f;
    WriteBytes(f.dir / "Options.ini", "[Other]\r\nKeep=1\r\n[Options]\r\nByHand=7\r\n");
    auto form = f.Open();
    form->MaxCropFrame->setChecked(true);
    form->OverwriteCheckBox->setChecked(false);
    form->SuffixCropEdit->setText(QString::fromUtf8("_výřez"));
    form->StretchRadioGroup->Item(3)->click();
    form->AutoOrientCheckBox->setChecked(false);
    form->EnlargeSmallCheckBox->setChecked(true);
    form->CropRatioRadioGroup->Item(4)->click();
    form->CropRatioN->setValue(4);
    form->CropRatioM->setValue(5);
    form->CropSizeN->setValue(640);
    form->CropSizeM->setValue(480);
    form->FormColorBox->setCurrentIndex(form->FormColorBox->findText("clNavy"));
    form->UnmarkedCodePageRadioGroup->Item(1)->click();
    form->WriteCp1250CheckBox->setChecked(true);
    for (const char* category : {"Zoo", "Auto", "Sea"}) {
      form->Edit1->setText(category);
      QTest::mouseClick(form->AddCategoryBtn, Qt::LeftButton);
    }
    QCOMPARE(form->ListBox1->currentItem()->text(), QString("Sea"));
    QVERIFY(form->Edit1->text().isEmpty());
    QTest::mouseClick(form->BtnOK, Qt::LeftButton);
    QCOMPARE(form->result(), int(QDialog::Accepted));
    QVERIFY(Texts(f.messages).isEmpty());

    const std::string ini = f.OptionsText();
    QCOMPARE(SectionLines(ini, "Options"),
             QStringList({"MaxCropFrame=1", "OverwriteRotaFlip=0", "OriginalFileDate=1", "ThumbAuto=1",
                          QString::fromLatin1("CropSuffix=_v\xFD\xF8" "ez"), "StretchFilter=3", "AutoOrient=0",
                          "CropProportion=4",
                          "CropRatioN=4", "CropRatioM=5", "CropSizeN=640", "CropSizeM=480", "Language=0",
                          "FormColor=clNavy", "AlwaysTrim=0", "IptcUnmarkedCodePage=1", "WriteWindows1250=1", "FitMode=0",
                          "EnlargeSmall=1", "ColourManagement=1", "RenderingIntent=0", "BlackPointCompensation=1",
                          "ThumbnailGrid=0"}));
    // The photo text settings hold from OK on.
    QVERIFY(CurrentTextSettings().UnmarkedIptc == CodePage::Windows1252);
    QVERIFY(CurrentTextSettings().WriteWindows1250);
    SetTextSettings({});
    QCOMPARE(SectionLines(ini, "Categories"), QStringList({"Count=3", "Item1=Auto", "Item2=Sea", "Item3=Zoo"}));
    QCOMPARE(SectionLines(ini, "Other"), QStringList{"Keep=1"});
    QCOMPARE(f.store->Integer("CropSizeN"), 640);

    // Read again at the next start.
    auto again = f.Open();
    QCOMPARE(again->CropRatioRadioGroup->ItemIndex(), 4);
    QCOMPARE(again->CropRatioRadioGroup->ItemText(3), Text(57) + " (4:5)");
    QCOMPARE(again->SuffixCropEdit->text(), QString::fromUtf8("_výřez"));
    QCOMPARE(again->ListBox1->count(), 3);
  }

  void cancelDropsTheChanges() {
    Fixture f;
    auto form = f.Open();
    form->SuffixCropEdit->setText("_cut");
    form->Edit1->setText("Zoo");
    QTest::mouseClick(form->AddCategoryBtn, Qt::LeftButton);
    form->LangRadioGroup->Item(1)->click();
    QCOMPARE(form->windowTitle(), Text(50));
    QTest::mouseClick(form->BtnCancel, Qt::LeftButton);
    QCOMPARE(form->result(), int(QDialog::Rejected));
    QCOMPARE(form->SuffixCropEdit->text(), QString("_crop"));
    QCOMPARE(f.store->Text("CropSuffix"), std::string("_crop"));
    QCOMPARE(form->ListBox1->count(), 0);
    QCOMPARE(form->LangRadioGroup->ItemIndex(), 0);
    QCOMPARE(form->windowTitle(), QString("Program settings"));
    QVERIFY(!std::filesystem::exists(f.dir / "Options.ini"));

    // Esc does the same.
    form->show();
    form->SuffixCropEdit->setText("_cut");
    QTest::keyClick(form.get(), Qt::Key_Escape);
    QCOMPARE(form->SuffixCropEdit->text(), QString("_crop"));
  }

  void categoryListStaysSortedAndDeleteHandsBackTheText() {
    Fixture f;
    auto form = f.Open();
    for (const char* category : {"b", "a", "c", "a"}) {
      form->Edit1->setText(category);
      form->AddCategoryBtnClick();
    }
    QCOMPARE(form->ListBox1->count(), 4);
    QCOMPARE(form->CategoryItems(), (std::vector<std::string>{"a", "a", "b", "c"}));
    form->ListBox1->setCurrentRow(2);
    form->DelCategoryBtnClick();
    QCOMPARE(form->Edit1->text(), QString("b"));
    QCOMPARE(form->ListBox1->currentRow(), 1);
    form->ListBox1->setCurrentRow(0);
    form->DelCategoryBtnClick();
    QCOMPARE(form->Edit1->text(), QString("a"));
    QCOMPARE(form->ListBox1->currentRow(), -1);
    // Without a selection nothing goes; an empty edit adds nothing.
    form->DelCategoryBtnClick();
    QCOMPARE(form->ListBox1->count(), 2);
    form->Edit1->clear();
    form->AddCategoryBtnClick();
    QCOMPARE(form->ListBox1->count(), 2);
    // Text that Windows-1250 cannot hold is refused with a message.
    form->Edit1->setText(QString::fromUtf8("東京"));
    form->AddCategoryBtnClick();
    QCOMPARE(form->ListBox1->count(), 2);
    QCOMPARE(Texts(f.messages).size(), 1);
  }

  void temporaryOptionsActAtOnceAndAreNeverStored() {
    Fixture f;
    auto form = f.Open();
    form->OverwriteCropCheckBox->click();
    QVERIFY(!form->SuffixCropEdit->isEnabled());
    QVERIFY(!form->SuffixCropLabel->isEnabled());
    QVERIFY(f.store->OverwriteCropCheckBox);
    // "Always trim" is a setting like the others, outside the temporary group.
    QVERIFY(form->TrimCheckBox->parentWidget() != form->TempOptionsGroupBox);
    form->TrimCheckBox->click();
    QTest::mouseClick(form->BtnOK, Qt::LeftButton);
    QVERIFY(f.OptionsText().find("AlwaysTrim=1") != std::string::npos);
    QVERIFY(f.OptionsText().find("OverwriteCrop") == std::string::npos);
    auto restarted = f.Open();
    QVERIFY(restarted->TrimCheckBox->isChecked() && !restarted->OverwriteCropCheckBox->isChecked());
    QVERIFY(restarted->SuffixCropEdit->isEnabled());
  }

  void colourChangesLiveAndIsStoredByNameOrHex() {
    Fixture f;
    auto form = f.Open();
    QSignalSpy spy(form.get(), &TFormOptions::FormColorChanged);
    form->FormColorBox->setCurrentIndex(form->FormColorBox->findText("clRed"));
    form->FormColorBoxChange();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.last().at(0).value<QColor>(), QColor(255, 0, 0));
    // Cancel takes the live colour back to the stored one.
    form->BtnCancelClick();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.last().at(0).value<QColor>(), QColor(185, 209, 234));
    form->show();
    form->FormColorBox->setCurrentIndex(form->FormColorBox->findText("clRed"));
    form->DefaultColorClick();
    QCOMPARE(form->FormColorBox->currentText(), QString("clGradientActiveCaption"));
    form->PickColor = [](QColor) { return std::optional<QColor>(QColor(0x12, 0x34, 0x56)); };
    form->FormColorBox->setCurrentIndex(0);
    form->FormColorBoxChange();
    QCOMPARE(spy.last().at(0).value<QColor>(), QColor(0x12, 0x34, 0x56));
    form->BtnOKClick();
    QVERIFY(SectionLines(f.OptionsText(), "Options").contains("FormColor=$00563412"));
    auto again = f.Open();
    QCOMPARE(again->SelectedColor(), ColorValue(0x00563412));
  }

  void languagesSwitchEveryCaption() {
    Fixture f;
    auto form = f.Open();
    QCOMPARE(form->PageControl->tabText(0), Text(52));
    form->LangRadioGroup->Item(5)->click();  // Deutsch
    QCOMPARE(form->windowTitle(), Text(50));
    QVERIFY(form->windowTitle() != QString("Program settings"));
    QCOMPARE(form->PageControl->tabText(4), Text(51));
    QCOMPARE(form->LangRadioGroup->title(), Text(51));
    QCOMPARE(form->StretchRadioGroup->ItemText(4), Text(69));
    QCOMPARE(form->OverwriteCropCheckBox->text(), Text(77));
    QCOMPARE(form->CropRatioRadioGroup->ItemText(4), Text(58) + " (16x16)");
    // Untranslated items and controls keep their own texts.
    QCOMPARE(form->LangRadioGroup->ItemText(1), QString::fromUtf8("Čeština"));
    QCOMPARE(form->MaxCropFrame->text(), QString("Select maximal crop frame"));
    QTest::mouseClick(form->BtnOK, Qt::LeftButton);
    QVERIFY(SectionLines(f.OptionsText(), "Options").contains("Language=5"));
    auto again = f.Open();
    QCOMPARE(again->LangRadioGroup->ItemIndex(), 5);
    QCOMPARE(again->windowTitle(), Text(50));
    // The toolkit's own buttons follow the language, and back to English.
    QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    again->LangRadioGroup->Item(0)->click();
    QDialogButtonBox english(QDialogButtonBox::Cancel);
    QCOMPARE(english.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
  }

  void aMissingLanguageSectionDisablesTheChoice() {
    Fixture f;
    WriteBytes(f.dir / "Language.ini", "[English]\r\n050=Settings only\r\n");
    f.language = f.dir / "Language.ini";
    WriteBytes(f.dir / "Options.ini", "[Options]\r\nLanguage=3\r\n");
    auto form = f.Open();
    QVERIFY(!form->LangRadioGroup->isEnabled());
    QCOMPARE(form->LangRadioGroup->ItemIndex(), 0);
    QCOMPARE(form->windowTitle(), QString("Settings only"));
    QVERIFY(Texts(f.messages).isEmpty());
  }

  void withoutLanguageIniTheCzechCaptionsStay() {
    Fixture f;
    f.language = f.dir / "missing" / "Language.ini";
    auto form = f.Open();
    QCOMPARE(Texts(f.messages), QStringList{"Language.ini file is corrupted!"});
    QCOMPARE(form->windowTitle(), QString::fromUtf8("Nastavení programu"));
    QCOMPARE(form->PageControl->tabText(0), QString::fromUtf8("Ořezávání"));
    QCOMPARE(form->CropRatioRadioGroup->ItemText(1), QString::fromUtf8("Klasické foto (2:3)"));
    QVERIFY(Text(50).isEmpty());
    // No language can be chosen then.
    QVERIFY(!form->LangRadioGroup->isEnabled());
  }

  void aFailedWriteKeepsTheWindowOpen() {
    Fixture f;
    auto form = f.Open();
    form->SuffixCropEdit->setText("_x");
    FaultInjection::FailAt(1);
    QTest::mouseClick(form->BtnOK, Qt::LeftButton);
    FaultInjection::FailAt(0);
    QCOMPARE(Texts(f.messages).size(), 1);
    QVERIFY(Texts(f.messages)[0].contains("Options.ini"));
    QVERIFY(form->isVisible());
    QCOMPARE(form->SuffixCropEdit->text(), QString("_x"));
    QVERIFY(!std::filesystem::exists(f.dir / "Options.ini"));

    // A suffix Windows-1250 cannot hold is refused before anything is written.
    form->SuffixCropEdit->setText(QString::fromUtf8("_東京"));
    QTest::mouseClick(form->BtnOK, Qt::LeftButton);
    QCOMPARE(Texts(f.messages).size(), 2);
    QVERIFY(Texts(f.messages)[1].contains(QString::fromUtf8("_東京")));
    QVERIFY(form->isVisible());
    QVERIFY(!std::filesystem::exists(f.dir / "Options.ini"));
  }

  void mainWindowTextsGoToActionsLabelsAndGridRows() {
    ProgramLanguageTexts().Load(IniFile(SourcePath("settings/Language.ini")), 1);
    QWidget window;
    window.setObjectName("FormMain");
    auto* exit = new QAction("x", &window);
    exit->setObjectName("AppExit");
    auto* header = new QLabel("x", &window);
    header->setObjectName("Header1");
    auto* grid = new QTableWidget(12, 2, &window);
    grid->setObjectName("GridExif");
    ApplyLanguageTexts(&window, LanguageWindow::Main, ProgramLanguageTexts());
    QCOMPARE(exit->text(), Text(9));
    QCOMPARE(header->text(), Text(30));
    QCOMPARE(grid->item(11, 0)->text(), Text(122) + ":");
    QVERIFY(!Text(122).isEmpty());
    ProgramLanguageTexts().Load(IniFile(SourcePath("settings/Language.ini")), 0);
  }

  // PIXALDO_SETTINGS_SHOT=file.png saves the window as shown, for a look.
  void writesScreenshotWhenAsked() {
    const QByteArray target = qgetenv("PIXALDO_SETTINGS_SHOT");
    if (target.isEmpty()) QSKIP("no screenshot requested");
    Fixture f;
    auto form = f.Open();
    form->LangRadioGroup->Item(qEnvironmentVariableIntValue("PIXALDO_SHOT_LANGUAGE"))->click();
    form->PageControl->setCurrentIndex(qEnvironmentVariableIntValue("PIXALDO_SHOT_TAB"));
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QVERIFY(form->grab().save(QString::fromLocal8Bit(target)));
  }
};

QTEST_MAIN(OptionsDialogTest)
#include "OptionsDialogTest.moc"
