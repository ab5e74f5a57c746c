#pragma once
// TFormOptions: the settings window. It edits the program's settings store
// (Options.ini) and chooses the interface language. The store stays the one
// place the rest of the program reads settings from; the window copies the
// store into its controls when it is created and each time it is shown, and
// back into the store (and the file) on OK. Cancel, Esc and closing the window
// read the file again, dropping every change made since the last OK.
//
//   TFormOptions options(ViewerOptions());        // loads Options.ini, the language
//   connect(&options, &TFormOptions::FormColorChanged, ...);  // live colour
//   if (options.exec() == QDialog::Accepted) { ...main window re-reads... }
//
// The temporary option (OverwriteCropCheckBox) goes to the store's field at
// once when clicked and is never written to the file.
#include <QColor>
#include <QDialog>
#include <QGroupBox>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/LanguageTexts.h"
#include "settings/OptionsStore.h"
#include "settings/SettingsLocation.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace pixaldo {

// The program-wide table of interface texts, filled by the settings window.
LanguageTexts& ProgramLanguageTexts();
// Text `number` of the program's language as a QString, or `english` where
// the language has none.
QString ProgramText(int number, const char* english);

// Copies the texts of one window onto its controls by object name: a plain
// name is a label, button, group box, action or the window itself (its
// caption); "Name[i]" is tab i of a tab widget, item i of a radio group or
// row i of a two-column grid (the first column gets the text and ":").
void ApplyLanguageTexts(QWidget* window, LanguageWindow which, const LanguageTexts& texts);

// A titled group of exclusive radio buttons with an item index (-1 for none).
class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  TRadioGroup(const QString& objectName, const QString& caption, const QStringList& items, QWidget* parent);
  int ItemIndex() const;
  // Selecting another item emits Click, as a click would.
  void SetItemIndex(int index);
  int Count() const { return int(buttons_.size()); }
  QRadioButton* Item(int index) const { return buttons_.at(size_t(index)); }
  void SetItemText(int index, const QString& text);
  QString ItemText(int index) const;

 signals:
  void Click();

 private:
  std::vector<QRadioButton*> buttons_;
};

class TFormOptions : public QDialog {
  Q_OBJECT
 public:
  // Reads Options.ini into the store and the controls, then the language
  // texts from `languageFile`.
  explicit TFormOptions(OptionsStore& store, std::filesystem::path languageFile = LanguageFilePath(),
                        QWidget* parent = nullptr);
  ~TFormOptions() override;

  OptionsStore& Store() { return store_; }
  const LanguageTexts& Texts() const { return ProgramLanguageTexts(); }

  // Components (design names).
  QTabWidget* PageControl = nullptr;
  QWidget *TabCrop = nullptr, *TabShow = nullptr, *TabSave = nullptr, *TabIptc = nullptr, *TabLang = nullptr;
  TRadioGroup *CropRatioRadioGroup = nullptr, *StretchRadioGroup = nullptr, *LangRadioGroup = nullptr;
  QGroupBox *GroupBox2 = nullptr, *GroupBox4 = nullptr, *AppColorBox = nullptr, *TempOptionsGroupBox = nullptr,
            *CategoryGroupBox = nullptr;
  QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *SuffixCropLabel = nullptr;
  // Up-downs; their read-only edits are named Edit2 to Edit5.
  QSpinBox *CropRatioN = nullptr, *CropRatioM = nullptr, *CropSizeN = nullptr, *CropSizeM = nullptr;
  QCheckBox *AutoOrientCheckBox = nullptr, *MaxCropFrame = nullptr, *OldDateCheckBox = nullptr, *ThumbAutoCheckBox = nullptr,
            *OverwriteCheckBox = nullptr, *TrimCheckBox = nullptr, *OverwriteCropCheckBox = nullptr;
  QCheckBox* EnlargeSmallCheckBox = nullptr;
  QLineEdit *SuffixCropEdit = nullptr, *Edit1 = nullptr;
  QComboBox* FormColorBox = nullptr;
  // Colour management: on or off, the rendering intent, black-point compensation.
  QCheckBox *ColourCheckBox = nullptr, *BpcCheckBox = nullptr;
  QComboBox* IntentBox = nullptr;
  QLabel* IntentLabel = nullptr;
  QPushButton *DefaultColor = nullptr, *AddCategoryBtn = nullptr, *DelCategoryBtn = nullptr, *BtnOK = nullptr,
              *BtnCancel = nullptr;
  QListWidget* ListBox1 = nullptr;
  // Text in photos (on the IPTC page): how unmarked IPTC text is read, and
  // writing Windows-1250 for older programs.
  TRadioGroup* UnmarkedCodePageRadioGroup = nullptr;
  QCheckBox* WriteCp1250CheckBox = nullptr;

  // Operations.
  void LoadSettings();      // the file into the store and the controls
  bool SaveSettings();      // the controls into the store and the file; false (message shown) on failure
  void StoreToControls();   // the store's current values into the controls
  bool ControlsToStore();   // false (message shown) when a text cannot be stored
  void LoadLanguage();      // the selected language's texts, then ApplyToSettingsDialog
  bool LanguageSectionExists() const;
  void ApplyToSettingsDialog();
  QString RatioItemText() const;
  QString FixedSizeItemText() const;
  ColorValue SelectedColor() const;
  void SelectColor(ColorValue color);
  // The categories shown, as stored (Windows-1250).
  std::vector<std::string> CategoryItems() const;

  // Event handlers.
  void BtnOKClick();
  void BtnCancelClick();
  void AddCategoryBtnClick();
  void DelCategoryBtnClick();
  void VolitelnyPomerChange();
  void PevnyRozmerChange();
  void OverwriteCropCheckBoxClick();
  void FormColorBoxChange();
  void DefaultColorClick();
  void LangRadioGroupClick();

  // Asks for a custom colour; tests replace it.
  std::function<std::optional<QColor>(QColor)> PickColor;

 signals:
  // The colour of the main window, live while the window is open.
  void FormColorChanged(const QColor& color);

 public slots:
  void reject() override;  // Cancel, Esc and the close box

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CreateControls();
  QWidget* CreateCropPage();
  QWidget* CreateShowPage();
  QWidget* CreateSavePage();
  QWidget* CreateIptcPage();
  QWidget* CreateLangPage();
  void InsertCategory(const std::string& bytes);
  void FillColorBox();

  OptionsStore& store_;
  std::filesystem::path languageFile_;
  std::unique_ptr<IniFile> languageIni_;
  bool loading_ = false;
};

}  // namespace pixaldo
