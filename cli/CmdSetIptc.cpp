// set-iptc: writes the IPTC fields of the info panel, the keywords and the
// press fields (each kept in step with its XMP twin).
#include "cli/Handlers.h"
#include "photo_record/JpegBasicObject.h"
#include "photo_record/Keywords.h"
#include "platform/FileLock.h"

namespace pixaldo::cli {
namespace {

// The keyword options given, checked as text: whether any was, and the new list.
bool EditKeywords(const Invocation& args, std::vector<std::string>& keywords) {
  const std::vector<std::string> whole = args.Values("keyword");
  const std::vector<std::string> added = args.Values("add-keyword");
  const std::vector<std::string> removed = args.Values("remove-keyword");
  for (const auto& [values, what] : {std::pair{&whole, "--keyword"}, {&added, "--add-keyword"}, {&removed, "--remove-keyword"}})
    for (const std::string& value : *values) ArgumentText(value, what);
  if (whole.empty() && added.empty() && removed.empty()) return false;
  if (!whole.empty()) keywords = TKeywords::Normalized(whole);
  keywords = TKeywords::Removed(TKeywords::Added(keywords, added), removed);
  return true;
}

}  // namespace

int SetIptc(const Invocation& args, const std::filesystem::path& file) {
  // Any character can be stored: the record is written in UTF-8 when it needs
  // to be. Bytes that are no text are refused before anything is read.
  auto category = args.Value("category");
  auto title = args.Value("title");
  auto caption = args.Value("caption");
  for (const auto& [value, what] : {std::pair{&category, "--category"}, {&title, "--title"}, {&caption, "--caption"}})
    if (*value) ArgumentText(**value, what);
  std::array<std::optional<std::string>, kPressFieldCount> press;
  for (const PressFieldRow& row : kPressFields)
    if ((press[row.Field] = args.Value(row.Option))) ArgumentText(*press[row.Field], "--" + std::string(row.Option));

  // Held from the read to the write, so that a concurrent edit is not lost.
  const PhotoLock lock(file, args.Flag("keep-date"));
  TJpegBasicObject photo(file);
  photo.ReadTags();
  TMyIptcTags fields = photo.IptcFields;
  if (category) fields.Category = *category;
  if (title) fields.ObjectName = *title;
  if (caption) fields.ImageCaption = *caption;
  TFieldEdits edits;
  edits.Keywords = EditKeywords(args, fields.Keywords);
  for (size_t i = 0; i < kPressFieldCount; ++i)
    if ((edits.Press[i] = press[i].has_value())) fields.Press[i] = *press[i];
  photo.WriteFields(fields, edits);
  return 0;
}

int SetRating(const Invocation& args, const std::filesystem::path& file) {
  const std::string stars = args.Value("stars").value_or("");
  if (stars.size() != 1 || stars[0] < '0' || stars[0] > '5') throw UsageError("--stars takes a number from 0 to 5");
  const PhotoLock lock(file, args.Flag("keep-date"));
  TMyIptcTags fields;
  fields.Rating = stars[0] - '0';
  TFieldEdits edits;
  edits.Rating = true;
  TJpegBasicObject(file).WriteFields(fields, edits);
  return 0;
}

}  // namespace pixaldo::cli
