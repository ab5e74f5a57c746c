#include "photo_record/SaveMerge.h"

#include <algorithm>

#include "platform/FileLock.h"

namespace pixaldo {

std::vector<std::string> TMergedFields::Resolved() const {
  std::vector<std::string> fields = Fields;
  for (const FieldConflict& conflict : Conflicts)
    fields[conflict.Field] = conflict.KeepEdited ? conflict.Edited : conflict.Current;
  return fields;
}

void TShownRecord::Remember(const std::filesystem::path& file, std::vector<std::string> fields) {
  stamp_ = StampOf(file);
  fields_ = std::move(fields);
}

bool TShownRecord::FileChanged(const std::filesystem::path& file) const { return StampOf(file) != stamp_; }

TMergedFields TShownRecord::Merge(const std::vector<std::optional<std::string>>& edits,
                                  const std::vector<std::string>& current) const {
  TMergedFields merged;
  merged.Fields = current;
  merged.Fields.resize(edits.size());
  for (size_t field = 0; field < edits.size(); ++field) {
    const std::string& shown = field < fields_.size() ? fields_[field] : merged.Fields[field];
    const std::string& now = merged.Fields[field];
    if (now != shown) merged.OthersChanged = true;
    if (!edits[field]) continue;
    if (now != shown && now != *edits[field]) merged.Conflicts.push_back({field, shown, *edits[field], now});
    merged.Fields[field] = *edits[field];
  }
  return merged;
}

TShownRecord::FieldTexts TShownRecord::Save(const std::filesystem::path& file, bool keepDate,
                                        const std::vector<std::optional<std::string>>& edits,
                                        const std::function<FieldTexts()>& read,
                                        const std::function<void(const FieldTexts&)>& write,
                                        const std::function<void(std::vector<FieldConflict>&)>& ask) const {
  std::vector<FieldConflict> answered;
  for (;;) {
    std::vector<FieldConflict> open;
    {
      const PhotoLock lock(file, keepDate);
      const FieldTexts current = read();
      TMergedFields merged = Merge(edits, current);
      for (FieldConflict& conflict : merged.Conflicts) {
        const auto answer = std::find_if(answered.begin(), answered.end(), [&](const FieldConflict& a) {
          return a.Field == conflict.Field && a.Edited == conflict.Edited && a.Current == conflict.Current;
        });
        if (answer == answered.end())
          open.push_back(conflict);
        else
          conflict.KeepEdited = answer->KeepEdited;
      }
      if (open.empty()) {
        FieldTexts resolved = merged.Resolved();
        if (resolved != current) write(resolved);
        return resolved;
      }
    }
    // The user takes his time: the photo is not kept locked meanwhile.
    ask(open);
    answered.insert(answered.end(), open.begin(), open.end());
  }
}

}  // namespace pixaldo
