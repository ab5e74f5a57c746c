#include "photo_record/PressEdits.h"

#include "iptc/IptcDatasets.h"
#include "photo_record/JpegBasicObject.h"
#include "platform/Cp1250.h"

namespace pixaldo {

size_t TPressEdits::Limit(PressField field) { return IptcWriteLimit(2, kPressFields[field].Dataset); }

std::optional<PressField> TPressEdits::TooLong(const PressEdits& edits) {
  for (const PressFieldRow& row : kPressFields) {
    const std::optional<std::string>& text = edits[row.Field];
    if (!text) continue;
    const Cp1250Result cp1250 = Utf8ToCp1250(*text);
    const size_t least = cp1250.ok() ? cp1250.bytes.size() : text->size();
    if (least > Limit(row.Field)) return row.Field;
  }
  return std::nullopt;
}

PressTexts TPressEdits::Read(const std::filesystem::path& file) {
  TJpegBasicObject record(file);
  record.ReadTags();
  return record.IptcFields.Press;
}

bool TPressEdits::Write(const std::filesystem::path& file, const PressEdits& edits) {
  TMyIptcTags fields;
  {
    TJpegBasicObject current(file);
    current.ReadTags();
    fields = current.IptcFields;
  }
  TFieldEdits written;
  for (size_t i = 0; i < kPressFieldCount; ++i)
    if (edits[i] && *edits[i] != fields.Press[i]) {
      fields.Press[i] = *edits[i];
      written.Press[i] = true;
    }
  if (!written.AnyIptc()) return false;
  TJpegBasicObject(file).WriteFields(fields, written);
  return true;
}

}  // namespace pixaldo
