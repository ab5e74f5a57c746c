#include "settings/OptionsStore.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <system_error>

#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/IniFile.h"

namespace pixaldo {
namespace {

// The plain letter of the lower-case Windows-1250 letters 0xE0..0xFE ('\0'
// where there is none).
using namespace std::string_view_literals;
constexpr std::string_view kBaseOfE0 = "raaaalccceeeeiiddnnoooo\0ruuuuyt"sv;
static_assert(kBaseOfE0.size() == 0xFF - 0xE0);

// A Windows-1250 byte as the plain lower-case letter it is written with.
unsigned char BaseLetter(unsigned char byte) {
  unsigned char lower = LowerCp1250(byte);
  if (lower >= 0xE0 && lower <= 0xFE && kBaseOfE0[lower - 0xE0] != '\0') return kBaseOfE0[lower - 0xE0];
  switch (lower) {
    case 0x9A: case 0x9C: case 0xBA: case 0xDF: return 's';
    case 0x9D: return 't';
    case 0x9E: case 0x9F: case 0xBF: return 'z';
    case 0xB3: case 0xBE: return 'l';
    case 0xB9: return 'a';
    default: return lower;
  }
}

int CompareBy(std::string_view a, std::string_view b, unsigned char (*key)(unsigned char)) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = key(static_cast<unsigned char>(a[i]));
    unsigned char y = key(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

unsigned char Same(unsigned char byte) { return byte; }

// N of a key "ItemN" as the list writes it (no sign, no leading zero), else 0.
int ItemNumber(std::string_view key) {
  constexpr std::string_view kPrefix = "Item";
  if (key.size() <= kPrefix.size() || key.size() > kPrefix.size() + 9) return 0;
  if (!SameTextCp1250(key.substr(0, kPrefix.size()), kPrefix)) return 0;
  std::string_view digits = key.substr(kPrefix.size());
  if (digits.front() == '0' || digits.find_first_not_of("0123456789") != std::string_view::npos) return 0;
  int number = 0;
  for (char c : digits) number = number * 10 + (c - '0');
  return number;
}

}  // namespace

void ApplyTextSettings(const OptionsStore& store) {
  SetTextSettings({store.Integer("IptcUnmarkedCodePage") == 1 ? CodePage::Windows1252 : CodePage::Windows1250,
                   store.Bool("WriteWindows1250")});
}

const OptionKey* FindOptionKey(std::string_view name) {
  for (const OptionKey& key : kOptionKeys) {
    if (SameTextCp1250(key.name, name)) return &key;
  }
  return nullptr;
}

bool CategoryLess(std::string_view a, std::string_view b) {
  for (auto key : {&BaseLetter, &LowerCp1250, &Same}) {
    int order = CompareBy(a, b, key);
    if (order != 0) return order < 0;
  }
  return false;
}

OptionsStore::OptionsStore(std::filesystem::path fileName) : fileName_(std::move(fileName)) { ResetToDefaults(); }

void OptionsStore::ResetToDefaults() {
  for (size_t i = 0; i < kOptionKeys.size(); ++i) {
    const OptionKey& key = kOptionKeys[i];
    values_[i].text = std::string(key.defaultText);
    values_[i].number = key.type == OptionType::Color ? static_cast<int>(kClGradientActiveCaption) : key.defaultNumber;
  }
  categories_.clear();
}

int OptionsStore::Normalized(const OptionKey& key, int value) {
  if (key.cutTo16Bits) value = static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFF));
  if (value >= key.minimum && value <= key.maximum) return value;
  if (key.outOfRange == OutOfRange::UseDefault) return key.defaultNumber;
  return std::clamp(value, key.minimum, key.maximum);
}

void OptionsStore::LoadSettings() {
  IniFile ini(fileName_);
  for (size_t i = 0; i < kOptionKeys.size(); ++i) {
    const OptionKey& key = kOptionKeys[i];
    Value& value = values_[i];
    switch (key.type) {
      case OptionType::Boolean:
        value.number = ini.ReadBool(kOptionsSection, key.name, key.defaultNumber != 0) ? 1 : 0;
        break;
      case OptionType::Integer:
        value.number = Normalized(key, ini.ReadInteger(kOptionsSection, key.name, key.defaultNumber));
        break;
      case OptionType::Text:
        value.text = ini.ReadString(kOptionsSection, key.name, key.defaultText);
        break;
      case OptionType::Color: {
        // A text that is neither a colour name nor a number gives the default.
        auto color = ColorFromText(ini.ReadString(kOptionsSection, key.name, key.defaultText));
        value.number = static_cast<int>(color.value_or(*ColorFromText(key.defaultText)));
        break;
      }
    }
  }
  categories_.clear();
  if (ini.SectionExists(kCategoriesSection)) {
    // "Item1" up to "Item<Count>", those that are there: missing items are no
    // categories, and a hand-edited huge count does not keep us reading.
    int count = ini.ReadInteger(kCategoriesSection, "Count", 0);
    std::vector<int> numbers;
    for (const std::string& key : ini.ReadSection(kCategoriesSection)) {
      int number = ItemNumber(key);
      if (number >= 1 && number <= count) numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    for (int number : numbers) {
      categories_.push_back(ini.ReadString(kCategoriesSection, "Item" + std::to_string(number), ""));
    }
    std::stable_sort(categories_.begin(), categories_.end(), CategoryLess);
  }
}

void OptionsStore::SaveSettings() const {
  // Start from the file as it is now, so sections changed by hand meanwhile stay.
  IniFile ini(fileName_);
  ini.EraseSection(kOptionsSection);
  for (const OptionKey& key : kOptionKeys) ini.WriteString(kOptionsSection, key.name, ValueText(key.name));
  ini.EraseSection(kCategoriesSection);
  ini.WriteInteger(kCategoriesSection, "Count", static_cast<int>(categories_.size()));
  for (size_t i = 0; i < categories_.size(); ++i) {
    ini.WriteString(kCategoriesSection, "Item" + std::to_string(i + 1), categories_[i]);
  }
  std::error_code error;
  std::filesystem::path folder = fileName_.parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, error);
  ini.UpdateFile();
}

size_t OptionsStore::IndexOf(std::string_view key, OptionType type) const {
  const OptionKey* found = FindOptionKey(key);
  if (found == nullptr || found->type != type) {
    throw std::invalid_argument("no setting of that type: " + std::string(key));
  }
  return static_cast<size_t>(found - kOptionKeys.data());
}

bool OptionsStore::Bool(std::string_view key) const { return values_[IndexOf(key, OptionType::Boolean)].number != 0; }

int OptionsStore::Integer(std::string_view key) const { return values_[IndexOf(key, OptionType::Integer)].number; }

const std::string& OptionsStore::Text(std::string_view key) const { return values_[IndexOf(key, OptionType::Text)].text; }

ColorValue OptionsStore::Color(std::string_view key) const {
  return static_cast<ColorValue>(values_[IndexOf(key, OptionType::Color)].number);
}

void OptionsStore::SetBool(std::string_view key, bool value) { values_[IndexOf(key, OptionType::Boolean)].number = value; }

void OptionsStore::SetInteger(std::string_view key, int value) {
  size_t index = IndexOf(key, OptionType::Integer);
  values_[index].number = Normalized(kOptionKeys[index], value);
}

void OptionsStore::SetText(std::string_view key, std::string value) {
  values_[IndexOf(key, OptionType::Text)].text = std::move(value);
}

void OptionsStore::SetColor(std::string_view key, ColorValue value) {
  values_[IndexOf(key, OptionType::Color)].number = static_cast<int>(value);
}

std::string OptionsStore::ValueText(std::string_view key) const {
  const OptionKey* found = FindOptionKey(key);
  if (found == nullptr) throw std::invalid_argument("no such setting: " + std::string(key));
  const Value& value = values_[static_cast<size_t>(found - kOptionKeys.data())];
  switch (found->type) {
    case OptionType::Boolean: return value.number ? "1" : "0";
    case OptionType::Integer: return std::to_string(value.number);
    case OptionType::Text: return value.text;
    case OptionType::Color: return ColorToText(static_cast<ColorValue>(value.number));
  }
  return {};
}

std::optional<size_t> OptionsStore::AddCategory(std::string text) {
  if (text.empty()) return std::nullopt;
  auto at = std::upper_bound(categories_.begin(), categories_.end(), text,
                             [](const std::string& a, const std::string& b) { return CategoryLess(a, b); });
  at = categories_.insert(at, std::move(text));
  return static_cast<size_t>(at - categories_.begin());
}

bool OptionsStore::DeleteCategory(size_t index) {
  if (index >= categories_.size()) return false;
  categories_.erase(categories_.begin() + static_cast<std::ptrdiff_t>(index));
  return true;
}

void OptionsStore::SetCategories(std::vector<std::string> categories) {
  categories_ = std::move(categories);
  std::stable_sort(categories_.begin(), categories_.end(), CategoryLess);
}

}  // namespace pixaldo
