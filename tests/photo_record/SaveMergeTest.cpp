// Saving edited fields into what the file holds now: the merge of the
// user's edits with another program's, the conflicts, and the save that
// asks about them outside the lock and reads the file again.
#include <gtest/gtest.h>

#include "photo_record/SaveMerge.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using Edits = std::vector<std::optional<std::string>>;
using Texts = std::vector<std::string>;

TEST(SaveMerge, OnlyEditedFieldsAreAppliedAndClashesAreConflicts) {
  test::TempDir dir;
  test::WriteBytes(dir / "a.jpg", "x");
  TShownRecord shown;
  shown.Remember(dir / "a.jpg", {"Nature", "", "Old caption"});
  struct Case {
    const char* what;
    Edits edits;
    Texts current, fields;
    size_t conflicts;
    bool othersChanged;
  } cases[] = {
      {"nobody else wrote", {std::nullopt, "Bridge", std::nullopt}, {"Nature", "", "Old caption"},
       {"Nature", "Bridge", "Old caption"}, 0, false},
      {"another field was written", {std::nullopt, "Bridge", std::nullopt}, {"Town", "", "New caption"},
       {"Town", "Bridge", "New caption"}, 0, true},
      {"the same text twice", {std::nullopt, "Bridge", std::nullopt}, {"Nature", "Bridge", "Old caption"},
       {"Nature", "Bridge", "Old caption"}, 0, true},
      {"the same field, another text", {std::nullopt, std::nullopt, "Mine"}, {"Nature", "", "Theirs"},
       {"Nature", "", "Mine"}, 1, true},
      {"a field removed by the other", {"Sea", std::nullopt, std::nullopt}, {"", "", "Old caption"},
       {"Sea", "", "Old caption"}, 1, true},
  };
  for (const Case& c : cases) {
    const TMergedFields merged = shown.Merge(c.edits, c.current);
    EXPECT_EQ(merged.Fields, c.fields) << c.what;
    EXPECT_EQ(merged.Conflicts.size(), c.conflicts) << c.what;
    EXPECT_EQ(merged.OthersChanged, c.othersChanged) << c.what;
  }
  TMergedFields clash = shown.Merge({std::nullopt, std::nullopt, "Mine"}, {"Nature", "", "Theirs"});
  ASSERT_EQ(clash.Conflicts.size(), 1u);
  EXPECT_EQ(clash.Conflicts[0].Field, 2u);
  EXPECT_EQ(clash.Conflicts[0].Shown, "Old caption");
  clash.Conflicts[0].KeepEdited = false;
  EXPECT_EQ(clash.Resolved(), (Texts{"Nature", "", "Theirs"}));

  EXPECT_FALSE(shown.FileChanged(dir / "a.jpg"));
  test::WriteBytes(dir / "a.jpg", "xy");
  EXPECT_TRUE(shown.FileChanged(dir / "a.jpg"));
}

// The user answers outside the lock; meanwhile the other program writes
// again: that new text is asked about too, an answer given is not asked
// twice, and the write happens once with every answer in.
TEST(SaveMerge, SaveAsksOutsideTheLockAndReadsAgain) {
  test::TempDir dir;
  const auto file = dir / "a.jpg";
  test::WriteBytes(file, "x");
  TShownRecord shown;
  shown.Remember(file, {"Nature", "Old title"});
  Texts onDisk{"Town", "Their title"};
  std::vector<Texts> written;
  int asked = 0;
  const Texts result = shown.Save(
      file, false, {"Sea", "My title"}, [&] { return onDisk; },
      [&](const Texts& fields) { written.push_back(fields); },
      [&](std::vector<FieldConflict>& conflicts) {
        ++asked;
        if (asked == 1) {
          EXPECT_EQ(conflicts.size(), 2u);
          conflicts[0].KeepEdited = false;  // the category: theirs
          onDisk[1] = "Their second title";  // written while the user thinks
        } else {
          ASSERT_EQ(conflicts.size(), 1u);
          EXPECT_EQ(conflicts[0].Current, "Their second title");
        }
      });
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(result, (Texts{"Town", "My title"}));
  EXPECT_EQ(written, std::vector<Texts>{result});

  // Nothing to change: nothing written.
  written.clear();
  onDisk = {"Nature", "Old title"};
  EXPECT_EQ(shown.Save(file, false, {std::nullopt, std::nullopt}, [&] { return onDisk; },
                       [&](const Texts& fields) { written.push_back(fields); }, [](auto&) { FAIL(); }),
            onDisk);
  EXPECT_TRUE(written.empty());
}

}  // namespace
}  // namespace pixaldo
