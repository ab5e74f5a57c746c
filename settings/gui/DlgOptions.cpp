#include "settings/gui/DlgOptions.h"

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/FileError.h"
#include "platform/gui/UserMessages.h"
#include "platform/gui/WidgetNames.h"
#include "settings/gui/ToolkitLanguage.h"

namespace pixaldo {
namespace {

constexpr ColorValue kCustomColorItem = 0xFFFFFFFFu;  // item data of the "Custom..." entry

QStringList Items(const auto& cp1250Items) {
  QStringList items;
  for (std::string_view item : cp1250Items) items << FromCp1250(std::string(item));
  return items;
}

QColor ToQColor(ColorValue color) {
  const Rgb rgb = ColorToRgb(color);
  return QColor(rgb.red, rgb.green, rgb.blue);
}

QIcon Swatch(ColorValue color) {
  QPixmap pixmap(14, 14);
  pixmap.fill(ToQColor(color));
  QPainter painter(&pixmap);
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, 13, 13);
  return QIcon(pixmap);
}

// "Name" or "Name[i]".
void SplitTarget(std::string_view target, QString& name, int& index) {
  index = -1;
  const size_t open = target.find('[');
  name = QString::fromUtf8(target.substr(0, open).data(), qsizetype(target.substr(0, open).size()));
  if (open != std::string_view::npos) index = std::atoi(std::string(target.substr(open + 1)).c_str());
}

void SetTabCaption(QWidget* window, QWidget* page, const QString& text) {
  for (QTabWidget* tabs : window->findChildren<QTabWidget*>()) {
    const int index = tabs->indexOf(page);
    if (index >= 0) tabs->setTabText(index, text);
  }
}

void ApplyOne(QWidget* window, const QString& name, int index, const QString& text) {
  if (index < 0 && window->objectName() == name) {
    window->setWindowTitle(text);
    return;
  }
  QObject* target = window->findChild<QObject*>(name);
  if (!target) return;
  if (index >= 0) {
    if (auto* tabs = qobject_cast<QTabWidget*>(target)) {
      if (index < tabs->count()) tabs->setTabText(index, text);
    } else if (auto* group = qobject_cast<TRadioGroup*>(target)) {
      if (index < group->Count()) group->SetItemText(index, text);
    } else if (auto* grid = qobject_cast<QTableWidget*>(target)) {
      if (index < grid->rowCount()) {
        if (!grid->item(index, 0)) grid->setItem(index, 0, new QTableWidgetItem);
        grid->item(index, 0)->setText(text + ":");
      }
    }
    return;
  }
  if (auto* action = qobject_cast<QAction*>(target)) {
    action->setText(text);
  } else if (auto* label = qobject_cast<QLabel*>(target)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(target)) {
    button->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(target)) {
    group->setTitle(text);
  } else if (auto* page = qobject_cast<QWidget*>(target)) {
    SetTabCaption(window, page, text);
  }
}

// Builds an up-down with its read-only edit.
QSpinBox* UpDown(const QString& name, const QString& editName, int minimum, int maximum, int step, QWidget* parent) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(name);
  spin->setRange(minimum, maximum);
  spin->setSingleStep(step);
  if (auto* edit = spin->findChild<QLineEdit*>()) {
    edit->setObjectName(editName);
    edit->setReadOnly(true);
  }
  return spin;
}

}  // namespace

LanguageTexts& ProgramLanguageTexts() {
  static LanguageTexts texts;
  return texts;
}

QString ProgramText(int number, const char* english) {
  return QString::fromStdString(ProgramLanguageTexts().Utf8Or(number, english));
}

void ApplyLanguageTexts(QWidget* window, LanguageWindow which, const LanguageTexts& texts) {
  QString name;
  int index = 0;
  for (const LanguageKeyUse& use : kLanguageKeyMap) {
    if (use.window != which) continue;
    SplitTarget(use.target, name, index);
    ApplyOne(window, name, index, QString::fromStdString(texts.Utf8(use.key)));
  }
}

// ---------------------------------------------------------------------------
// TRadioGroup

TRadioGroup::TRadioGroup(const QString& objectName, const QString& caption, const QStringList& items,
                         QWidget* parent)
    : QGroupBox(caption, parent) {
  setObjectName(objectName);
  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(2);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    button->setObjectName(objectName + QString("Item%1").arg(i));
    layout->addWidget(button);
    connect(button, &QRadioButton::clicked, this, [this] { emit Click(); });
    buttons_.push_back(button);
  }
  layout->addStretch();
}

int TRadioGroup::ItemIndex() const {
  for (size_t i = 0; i < buttons_.size(); ++i)
    if (buttons_[i]->isChecked()) return int(i);
  return -1;
}

void TRadioGroup::SetItemIndex(int index) {
  if (index == ItemIndex() || index < 0 || index >= Count()) return;
  buttons_[size_t(index)]->setChecked(true);
  emit Click();
}

void TRadioGroup::SetItemText(int index, const QString& text) { buttons_.at(size_t(index))->setText(text); }

QString TRadioGroup::ItemText(int index) const { return buttons_.at(size_t(index))->text(); }

// ---------------------------------------------------------------------------
// TFormOptions

TFormOptions::TFormOptions(OptionsStore& store, std::filesystem::path languageFile, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      store_(store), languageFile_(std::move(languageFile)) {
  setObjectName("FormOptions");
  setWindowTitle(QString::fromUtf8("Nastavení programu"));
  PickColor = [this](QColor initial) -> std::optional<QColor> {
    QColor color = QColorDialog::getColor(initial, this);
    if (!color.isValid()) return std::nullopt;
    return color;
  };
  CreateControls();
  // FormCreate: both files, the settings, then the language.
  languageIni_ = std::make_unique<IniFile>(languageFile_);
  LoadSettings();
  LangRadioGroupClick();
  PageControl->setCurrentWidget(TabLang);
}

TFormOptions::~TFormOptions() = default;

void TFormOptions::CreateControls() {
  PageControl = Named(new QTabWidget(this), "PageControl");
  PageControl->addTab(TabCrop = CreateCropPage(), QString::fromUtf8("Ořezávání"));
  PageControl->addTab(TabShow = CreateShowPage(), QString::fromUtf8("Zobrazení"));
  PageControl->addTab(TabSave = CreateSavePage(), QString::fromUtf8("Ukládání"));
  PageControl->addTab(TabIptc = CreateIptcPage(), QString::fromUtf8("Kategorie IPTC"));
  PageControl->addTab(TabLang = CreateLangPage(), QStringLiteral("Language"));

  BtnOK = Named(new QPushButton(QStringLiteral("OK"), this), "BtnOK");
  BtnCancel = Named(new QPushButton(QStringLiteral("Cancel"), this), "BtnCancel");
  BtnOK->setDefault(true);
  connect(BtnOK, &QPushButton::clicked, this, [this] { BtnOKClick(); });
  connect(BtnCancel, &QPushButton::clicked, this, [this] { BtnCancelClick(); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BtnOK);
  buttons->addWidget(BtnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PageControl);
  layout->addLayout(buttons);
  // A dialog of fixed size: it takes what the texts of the chosen language
  // need, and window managers offer no maximising.
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* TFormOptions::CreateCropPage() {
  auto* page = Named(new QWidget, "TabCrop");
  CropRatioRadioGroup = new TRadioGroup("CropRatioRadioGroup", QString::fromUtf8("Velikost ořezu"),
                                        Items(kCropProportionItems), page);
  GroupBox2 = Named(new QGroupBox(QString::fromUtf8("Volitelný poměr"), page), "GroupBox2");
  GroupBox4 = Named(new QGroupBox(QString::fromUtf8("Pevný rozměr"), page), "GroupBox4");
  Label1 = Named(new QLabel(QString::fromUtf8("Šířka"), GroupBox2), "Label1");
  Label2 = Named(new QLabel(QString::fromUtf8("Výška"), GroupBox2), "Label2");
  Label3 = Named(new QLabel(QString::fromUtf8("Šířka"), GroupBox4), "Label3");
  Label4 = Named(new QLabel(QString::fromUtf8("Výška"), GroupBox4), "Label4");
  CropRatioN = UpDown("CropRatioN", "Edit2", 1, 25, 1, GroupBox2);
  CropRatioM = UpDown("CropRatioM", "Edit3", 1, 25, 1, GroupBox2);
  CropSizeN = UpDown("CropSizeN", "Edit4", 16, 4096, 16, GroupBox4);
  CropSizeM = UpDown("CropSizeM", "Edit5", 16, 4096, 16, GroupBox4);
  MaxCropFrame = Named(new QCheckBox(QStringLiteral("Select maximal crop frame"), page), "MaxCropFrame");

  auto pair = [](QGroupBox* box, QLabel* a, QSpinBox* sa, QLabel* b, QSpinBox* sb) {
    auto* grid = new QGridLayout(box);
    grid->addWidget(a, 0, 0);
    grid->addWidget(sa, 0, 1);
    grid->addWidget(b, 1, 0);
    grid->addWidget(sb, 1, 1);
  };
  pair(GroupBox2, Label1, CropRatioN, Label2, CropRatioM);
  pair(GroupBox4, Label3, CropSizeN, Label4, CropSizeM);
  for (QSpinBox* spin : {CropRatioN, CropRatioM})
    connect(spin, &QSpinBox::valueChanged, this, [this] { VolitelnyPomerChange(); });
  for (QSpinBox* spin : {CropSizeN, CropSizeM})
    connect(spin, &QSpinBox::valueChanged, this, [this] { PevnyRozmerChange(); });

  auto* right = new QVBoxLayout;
  right->addWidget(GroupBox2);
  right->addWidget(GroupBox4);
  right->addStretch();
  auto* top = new QHBoxLayout;
  top->addWidget(CropRatioRadioGroup, 3);
  top->addLayout(right, 2);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(top);
  layout->addWidget(MaxCropFrame);
  return page;
}

QWidget* TFormOptions::CreateShowPage() {
  auto* page = Named(new QWidget, "TabShow");
  StretchRadioGroup = new TRadioGroup("StretchRadioGroup", QStringLiteral("Stretch interpolation metod"),
                                      Items(kStretchFilterItems), page);
  AutoOrientCheckBox = Named(
      new QCheckBox(QString::fromUtf8("Zobrazovat fotky natočené podle orientace v EXIF"), page), "AutoOrientCheckBox");
  AutoOrientCheckBox->setChecked(true);
  EnlargeSmallCheckBox = Named(new QCheckBox(QString::fromUtf8("Zvětšovat malé fotky na velikost okna"), page),
                               "EnlargeSmallCheckBox");
  AppColorBox = Named(new QGroupBox(QStringLiteral("Application color"), page), "AppColorBox");
  FormColorBox = Named(new QComboBox(AppColorBox), "FormColorBox");
  DefaultColor = Named(new QPushButton(QStringLiteral("Default"), AppColorBox), "DefaultColor");
  FillColorBox();
  connect(FormColorBox, &QComboBox::activated, this, [this] { FormColorBoxChange(); });
  connect(DefaultColor, &QPushButton::clicked, this, [this] { DefaultColorClick(); });

  auto* colorLayout = new QVBoxLayout(AppColorBox);
  colorLayout->addWidget(FormColorBox);
  colorLayout->addWidget(DefaultColor, 0, Qt::AlignLeft);
  colorLayout->addStretch();
  auto* columns = new QHBoxLayout;
  columns->addWidget(StretchRadioGroup, 1);
  columns->addWidget(AppColorBox, 1);
  ColourCheckBox = Named(new QCheckBox(QStringLiteral("Colour management"), page), "ColourCheckBox");
  IntentLabel = Named(new QLabel(QStringLiteral("Rendering intent:"), page), "IntentLabel");
  IntentBox = Named(new QComboBox(page), "IntentBox");
  IntentBox->addItems(Items(kRenderingIntentItems));
  IntentLabel->setBuddy(IntentBox);
  BpcCheckBox = Named(new QCheckBox(QStringLiteral("Black-point compensation"), page), "BpcCheckBox");
  connect(ColourCheckBox, &QCheckBox::toggled, this, [this](bool on) {
    for (QWidget* control : std::initializer_list<QWidget*>{IntentLabel, IntentBox, BpcCheckBox}) control->setEnabled(on);
  });
  auto* intent = new QHBoxLayout;
  intent->addWidget(IntentLabel);
  intent->addWidget(IntentBox);
  intent->addWidget(BpcCheckBox);
  intent->addStretch();

  auto* layout = new QVBoxLayout(page);
  layout->addLayout(columns, 1);
  layout->addWidget(AutoOrientCheckBox);
  layout->addWidget(EnlargeSmallCheckBox);
  layout->addWidget(ColourCheckBox);
  layout->addLayout(intent);
  return page;
}

QWidget* TFormOptions::CreateSavePage() {
  auto* page = Named(new QWidget, "TabSave");
  OldDateCheckBox = Named(new QCheckBox(QString::fromUtf8("Původní datum transformovaných souborů"), page),
                          "OldDateCheckBox");
  ThumbAutoCheckBox = Named(
      new QCheckBox(QString::fromUtf8("Aktualizace miniatur v transformovaném souboru"), page), "ThumbAutoCheckBox");
  OverwriteCheckBox = Named(new QCheckBox(QString::fromUtf8("Přepisování otočených a převrácených fotek"), page),
                            "OverwriteCheckBox");
  for (QCheckBox* box : {OldDateCheckBox, ThumbAutoCheckBox, OverwriteCheckBox}) box->setChecked(true);
  SuffixCropLabel = Named(new QLabel(QString::fromUtf8("Přípona jména souboru oříznutých fotek:"), page),
                          "SuffixCropLabel");
  SuffixCropEdit = Named(new QLineEdit(QStringLiteral("_crop"), page), "SuffixCropEdit");
  TempOptionsGroupBox = Named(new QGroupBox(QStringLiteral("Temporary options (could be dangerous)"), page),
                              "TempOptionsGroupBox");
  TrimCheckBox = Named(new QCheckBox(QString::fromUtf8("Vždy oříznout okraje, které nelze bezeztrátově otočit"), page),
                       "TrimCheckBox");
  OverwriteCropCheckBox = Named(
      new QCheckBox(QString::fromUtf8("Přepisování oříznutých fotek (může být nebezpečné)"), TempOptionsGroupBox),
      "OverwriteCropCheckBox");
  connect(OverwriteCropCheckBox, &QCheckBox::toggled, this, [this](bool on) {
    store_.OverwriteCropCheckBox = on;
    OverwriteCropCheckBoxClick();
  });

  auto* temp = new QVBoxLayout(TempOptionsGroupBox);
  temp->addWidget(OverwriteCropCheckBox);
  auto* suffix = new QHBoxLayout;
  suffix->addWidget(SuffixCropLabel);
  suffix->addWidget(SuffixCropEdit, 1);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(OldDateCheckBox);
  layout->addWidget(ThumbAutoCheckBox);
  layout->addWidget(OverwriteCheckBox);
  layout->addWidget(TrimCheckBox);
  layout->addLayout(suffix);
  layout->addWidget(TempOptionsGroupBox);
  layout->addStretch();
  return page;
}

QWidget* TFormOptions::CreateIptcPage() {
  auto* page = Named(new QWidget, "TabIptc");
  CategoryGroupBox = Named(new QGroupBox(QString::fromUtf8("Předefinované kategorie fotografií"), page),
                           "CategoryGroupBox");
  Edit1 = Named(new QLineEdit(CategoryGroupBox), "Edit1");
  ListBox1 = Named(new QListWidget(CategoryGroupBox), "ListBox1");
  AddCategoryBtn = Named(new QPushButton(QString::fromUtf8("Přidej"), CategoryGroupBox), "AddCategoryBtn");
  DelCategoryBtn = Named(new QPushButton(QString::fromUtf8("Odstraň"), CategoryGroupBox), "DelCategoryBtn");
  connect(AddCategoryBtn, &QPushButton::clicked, this, [this] { AddCategoryBtnClick(); });
  connect(DelCategoryBtn, &QPushButton::clicked, this, [this] { DelCategoryBtnClick(); });
  connect(Edit1, &QLineEdit::returnPressed, this, [this] { AddCategoryBtnClick(); });

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(AddCategoryBtn);
  buttons->addWidget(DelCategoryBtn);
  buttons->addStretch();
  auto* grid = new QGridLayout(CategoryGroupBox);
  grid->addWidget(Edit1, 0, 0);
  grid->addWidget(ListBox1, 1, 0);
  grid->addLayout(buttons, 0, 1, 2, 1);
  UnmarkedCodePageRadioGroup =
      new TRadioGroup("UnmarkedCodePageRadioGroup", QString::fromUtf8("Text IPTC bez označení znakové sady"),
                      {QString::fromUtf8("Windows-1250 (středoevropské)"),
                       QString::fromUtf8("Windows-1252 / Latin-1 (západoevropské)")},
                      page);
  UnmarkedCodePageRadioGroup->Item(0)->setChecked(true);
  WriteCp1250CheckBox = Named(
      new QCheckBox(QString::fromUtf8("Zapisovat text ve Windows-1250 pro starší programy"), page), "WriteCp1250CheckBox");
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(CategoryGroupBox);
  layout->addWidget(UnmarkedCodePageRadioGroup);
  layout->addWidget(WriteCp1250CheckBox);
  return page;
}

QWidget* TFormOptions::CreateLangPage() {
  auto* page = Named(new QWidget, "TabLang");
  LangRadioGroup = new TRadioGroup("LangRadioGroup", QStringLiteral("Language"), Items(kLanguageItems), page);
  LangRadioGroup->Item(0)->setChecked(true);
  connect(LangRadioGroup, &TRadioGroup::Click, this, [this] {
    if (!loading_) LangRadioGroupClick();
  });
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(LangRadioGroup);
  return page;
}

void TFormOptions::FillColorBox() {
  FormColorBox->addItem(QStringLiteral("Custom..."), QVariant::fromValue(uint(kCustomColorItem)));
  for (const NamedColor& named : kColorNames) {
    if (named.value == kColorNone || named.value == kColorDefault) continue;
    FormColorBox->addItem(Swatch(named.value), QString::fromUtf8(named.name.data(), qsizetype(named.name.size())),
                          QVariant::fromValue(uint(named.value)));
  }
}

ColorValue TFormOptions::SelectedColor() const {
  const uint value = FormColorBox->currentData().toUInt();
  return value == kCustomColorItem ? kClGradientActiveCaption : ColorValue(value);
}

void TFormOptions::SelectColor(ColorValue color) {
  int index = FormColorBox->findData(QVariant::fromValue(uint(color)));
  if (index < 0) {
    // A colour without a name: listed under its "$" form after "Custom...".
    FormColorBox->insertItem(1, Swatch(color), QString::fromStdString(ColorToText(color)),
                             QVariant::fromValue(uint(color)));
    index = 1;
  }
  FormColorBox->setCurrentIndex(index);
}

// ---- settings -------------------------------------------------------------

void TFormOptions::LoadSettings() {
  store_.LoadSettings();
  StoreToControls();
}

void TFormOptions::StoreToControls() {
  loading_ = true;
  MaxCropFrame->setChecked(store_.Bool("MaxCropFrame"));
  OverwriteCheckBox->setChecked(store_.Bool("OverwriteRotaFlip"));
  OldDateCheckBox->setChecked(store_.Bool("OriginalFileDate"));
  ThumbAutoCheckBox->setChecked(store_.Bool("ThumbAuto"));
  SuffixCropEdit->setText(FromCp1250(store_.Text("CropSuffix")));
  StretchRadioGroup->SetItemIndex(store_.Integer("StretchFilter"));
  AutoOrientCheckBox->setChecked(store_.Bool("AutoOrient"));
  EnlargeSmallCheckBox->setChecked(store_.Bool("EnlargeSmall"));
  ColourCheckBox->setChecked(store_.Bool("ColourManagement"));
  IntentBox->setCurrentIndex(store_.Integer("RenderingIntent"));
  BpcCheckBox->setChecked(store_.Bool("BlackPointCompensation"));
  CropRatioRadioGroup->SetItemIndex(store_.Integer("CropProportion"));
  CropRatioN->setValue(store_.Integer("CropRatioN"));
  CropRatioM->setValue(store_.Integer("CropRatioM"));
  CropSizeN->setValue(store_.Integer("CropSizeN"));
  CropSizeM->setValue(store_.Integer("CropSizeM"));
  TrimCheckBox->setChecked(store_.Bool("AlwaysTrim"));
  OverwriteCropCheckBox->setChecked(store_.OverwriteCropCheckBox);
  UnmarkedCodePageRadioGroup->SetItemIndex(store_.Integer("IptcUnmarkedCodePage"));
  WriteCp1250CheckBox->setChecked(store_.Bool("WriteWindows1250"));
  loading_ = false;

  const int language = store_.Integer("Language");
  if (languageIni_ && pixaldo::LanguageSectionExists(*languageIni_, language)) {
    if (language != LangRadioGroup->ItemIndex()) {
      LangRadioGroup->SetItemIndex(language);  // loads that language
    }
  } else {
    LangRadioGroup->setEnabled(false);
  }
  SelectColor(store_.Color("FormColor"));
  ListBox1->clear();
  for (const std::string& category : store_.Categories()) InsertCategory(category);
  ListBox1->setCurrentRow(-1);
}

bool TFormOptions::ControlsToStore() {
  const std::optional<std::string> suffix = ToCp1250(SuffixCropEdit->text());
  if (!suffix) {
    ShowMessage(this, {QMessageBox::Warning, QStringLiteral("Pixaldo"),
                       ProgramText(239, "The file name suffix \"%1\" holds characters that cannot be stored; "
                                        "nothing was saved.")
                           .arg(SuffixCropEdit->text()),
                       QMessageBox::Ok});
    return false;
  }
  store_.SetBool("MaxCropFrame", MaxCropFrame->isChecked());
  store_.SetBool("OverwriteRotaFlip", OverwriteCheckBox->isChecked());
  store_.SetBool("OriginalFileDate", OldDateCheckBox->isChecked());
  store_.SetBool("ThumbAuto", ThumbAutoCheckBox->isChecked());
  store_.SetBool("AlwaysTrim", TrimCheckBox->isChecked());
  store_.SetText("CropSuffix", *suffix);
  store_.SetInteger("StretchFilter", StretchRadioGroup->ItemIndex());
  store_.SetBool("AutoOrient", AutoOrientCheckBox->isChecked());
  store_.SetBool("EnlargeSmall", EnlargeSmallCheckBox->isChecked());
  store_.SetBool("ColourManagement", ColourCheckBox->isChecked());
  store_.SetInteger("RenderingIntent", IntentBox->currentIndex());
  store_.SetBool("BlackPointCompensation", BpcCheckBox->isChecked());
  store_.SetInteger("CropProportion", CropRatioRadioGroup->ItemIndex());
  store_.SetInteger("CropRatioN", CropRatioN->value());
  store_.SetInteger("CropRatioM", CropRatioM->value());
  store_.SetInteger("CropSizeN", CropSizeN->value());
  store_.SetInteger("CropSizeM", CropSizeM->value());
  store_.SetInteger("Language", LangRadioGroup->ItemIndex());
  store_.SetColor("FormColor", SelectedColor());
  store_.SetCategories(CategoryItems());
  store_.OverwriteCropCheckBox = OverwriteCropCheckBox->isChecked();
  store_.SetInteger("IptcUnmarkedCodePage", UnmarkedCodePageRadioGroup->ItemIndex());
  store_.SetBool("WriteWindows1250", WriteCp1250CheckBox->isChecked());
  return true;
}

bool TFormOptions::SaveSettings() {
  if (!ControlsToStore()) return false;
  try {
    store_.SaveSettings();
  } catch (const FileError& error) {
    ShowFileError(this, error);
    return false;
  }
  ApplyTextSettings(store_);
  return true;
}

std::vector<std::string> TFormOptions::CategoryItems() const {
  std::vector<std::string> items;
  for (int i = 0; i < ListBox1->count(); ++i) items.push_back(ListBox1->item(i)->data(Qt::UserRole).toByteArray().toStdString());
  return items;
}

void TFormOptions::InsertCategory(const std::string& bytes) {
  int row = 0;
  while (row < ListBox1->count() &&
         !CategoryLess(bytes, ListBox1->item(row)->data(Qt::UserRole).toByteArray().toStdString()))
    ++row;
  auto* item = new QListWidgetItem(FromCp1250(bytes));
  item->setData(Qt::UserRole, QByteArray::fromStdString(bytes));
  ListBox1->insertItem(row, item);
  ListBox1->setCurrentRow(row);
}

// ---- language -------------------------------------------------------------

bool TFormOptions::LanguageSectionExists() const {
  return languageIni_ && pixaldo::LanguageSectionExists(*languageIni_, LangRadioGroup->ItemIndex());
}

void TFormOptions::LoadLanguage() {
  if (languageIni_) ProgramLanguageTexts().Load(*languageIni_, LangRadioGroup->ItemIndex());
  UseToolkitLanguage(LangRadioGroup->ItemIndex());
  ApplyToSettingsDialog();
}

void TFormOptions::ApplyToSettingsDialog() {
  if (!LanguageSectionExists()) {
    ShowMessage(this, {QMessageBox::Critical, QStringLiteral("Pixaldo"), QStringLiteral("Language.ini file is corrupted!"),
                       QMessageBox::Ok});
    return;
  }
  ApplyLanguageTexts(this, LanguageWindow::Settings, ProgramLanguageTexts());
  CropRatioRadioGroup->SetItemText(3, RatioItemText());
  CropRatioRadioGroup->SetItemText(4, FixedSizeItemText());
}

QString TFormOptions::RatioItemText() const {
  return QString::fromStdString(pixaldo::RatioItemText(ProgramLanguageTexts().Utf8(57), CropRatioN->value(),
                                                       CropRatioM->value()));
}

QString TFormOptions::FixedSizeItemText() const {
  return QString::fromStdString(pixaldo::FixedSizeItemText(ProgramLanguageTexts().Utf8(58), CropSizeN->value(),
                                                           CropSizeM->value()));
}

// ---- handlers -------------------------------------------------------------

void TFormOptions::BtnOKClick() {
  if (SaveSettings()) accept();
}

void TFormOptions::BtnCancelClick() { reject(); }

void TFormOptions::reject() {
  const ColorValue shown = SelectedColor();
  LoadSettings();
  // The main window took the colour live; it goes back with the rest.
  if (SelectedColor() != shown) emit FormColorChanged(ToQColor(SelectedColor()));
  QDialog::reject();
}

void TFormOptions::showEvent(QShowEvent* event) {
  // Other commands may have changed the store (the crop ratio cycle).
  StoreToControls();
  QDialog::showEvent(event);
}

void TFormOptions::AddCategoryBtnClick() {
  if (!Edit1->text().isEmpty()) {
    const std::optional<std::string> bytes = ToCp1250(Edit1->text());
    if (!bytes) {
      ShowMessage(this, {QMessageBox::Warning, QStringLiteral("Pixaldo"),
                         ProgramText(240, "The category \"%1\" holds characters that cannot be stored.")
                             .arg(Edit1->text()),
                         QMessageBox::Ok});
    } else {
      InsertCategory(*bytes);
      Edit1->clear();
    }
  }
  ListBox1->setFocus();
}

void TFormOptions::DelCategoryBtnClick() {
  const int row = ListBox1->currentRow();
  if (row >= 0 && ListBox1->count() > 0) {
    Edit1->setText(ListBox1->item(row)->text());
    delete ListBox1->takeItem(row);
    ListBox1->setCurrentRow(row - 1);  // none when the first was deleted
  }
  ListBox1->setFocus();
}

void TFormOptions::VolitelnyPomerChange() { CropRatioRadioGroup->SetItemText(3, RatioItemText()); }

void TFormOptions::PevnyRozmerChange() { CropRatioRadioGroup->SetItemText(4, FixedSizeItemText()); }

void TFormOptions::OverwriteCropCheckBoxClick() {
  const bool suffixUsed = !OverwriteCropCheckBox->isChecked();
  SuffixCropLabel->setEnabled(suffixUsed);
  SuffixCropEdit->setEnabled(suffixUsed);
}

void TFormOptions::FormColorBoxChange() {
  if (FormColorBox->currentData().toUInt() == kCustomColorItem) {
    const std::optional<QColor> picked = PickColor ? PickColor(ToQColor(store_.Color("FormColor"))) : std::nullopt;
    if (!picked) {
      SelectColor(store_.Color("FormColor"));
      return;
    }
    SelectColor(ColorFromRgb(Rgb{uint8_t(picked->red()), uint8_t(picked->green()), uint8_t(picked->blue())}));
  }
  emit FormColorChanged(ToQColor(SelectedColor()));
}

void TFormOptions::DefaultColorClick() {
  SelectColor(kClGradientActiveCaption);
  emit FormColorChanged(ToQColor(kClGradientActiveCaption));
}

void TFormOptions::LangRadioGroupClick() { LoadLanguage(); }

}  // namespace pixaldo
