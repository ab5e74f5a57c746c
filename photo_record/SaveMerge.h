#pragma once
// Saving edited fields without undoing what another program wrote meanwhile.
// A window remembers what it showed of a photo (the file's identity, size
// and date, and the texts of its fields); when it saves, the file is read
// again and only the fields the user edited are put into what it holds now.
// A field that the other program changed too, to another text, is a
// conflict: the user is asked which text to keep.
//
//   TShownRecord shown;
//   shown.Remember(file, {category, title, caption});      // after reading
//   ... the user edits the title; another program writes the caption ...
//   shown.Save(file, keepDate, {std::nullopt, newTitle, std::nullopt}, read, write, ask);
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "photo_view/PictureCache.h"  // FileStamp: which file, its size and times

namespace pixaldo {

// A field edited in the window and changed to another text in the file.
struct FieldConflict {
  size_t Field = 0;
  std::string Shown;    // what the window showed
  std::string Edited;   // what the user made of it
  std::string Current;  // what the file holds now
  bool KeepEdited = true;
};

struct TMergedFields {
  // The texts to write: the file's current texts with the user's edits,
  // the conflicting fields holding the edited text until resolved.
  std::vector<std::string> Fields;
  std::vector<FieldConflict> Conflicts;
  // The file's texts differ from what was shown: the window shows them again.
  bool OthersChanged = false;
  // Fields with each conflict settled as its KeepEdited says.
  std::vector<std::string> Resolved() const;
};

class TShownRecord {
 public:
  // The texts shown of `file`, read just now; its stamp is taken now.
  void Remember(const std::filesystem::path& file, std::vector<std::string> fields);
  // The same without a file (the fields of no photo).
  void Forget() { *this = TShownRecord(); }
  const std::vector<std::string>& Fields() const { return fields_; }
  // Whether the file is another one, of another size or date, or gone,
  // since it was remembered.
  bool FileChanged(const std::filesystem::path& file) const;

  // The user's edits (nothing for a field left as shown) put into the texts
  // the file holds now. A field the user edited whose text in the file
  // differs from both the shown and the edited text is a conflict.
  TMergedFields Merge(const std::vector<std::optional<std::string>>& edits,
                      const std::vector<std::string>& current) const;

  // A whole save of the edits into `file`: under the photo's lock (keeping
  // its date when asked) `read` reads the fields it holds now and, when
  // every conflict is settled, `write` stores the merged fields (not called
  // when they are what the file holds). Conflicts go to `ask`, which sets
  // their KeepEdited, outside the lock; the file is then read again, and an
  // answer holds for the same texts only. Returns the fields the file holds
  // afterwards. Whatever `read` and `write` throw (FileError) goes through.
  using FieldTexts = std::vector<std::string>;
  FieldTexts Save(const std::filesystem::path& file, bool keepDate, const std::vector<std::optional<std::string>>& edits,
              const std::function<FieldTexts()>& read, const std::function<void(const FieldTexts&)>& write,
              const std::function<void(std::vector<FieldConflict>&)>& ask) const;

 private:
  std::optional<FileStamp> stamp_;
  std::vector<std::string> fields_;
};

}  // namespace pixaldo
