// The undo store: originals kept and put back byte for byte with their
// dates, files changed since left alone, stores left by a crash.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <optional>

#include "platform/FileSystem.h"
#include "platform/Trash.h"
#include "support/TestSupport.h"
#include "undo/UndoStore.h"

namespace pixaldo {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// A file's bytes and date as they are now.
struct Snapshot {
  bool exists;
  std::string bytes;
  std::optional<FileTime> date;
  bool operator==(const Snapshot&) const = default;
};
void PrintTo(const Snapshot& snapshot, std::ostream* out) {
  *out << (snapshot.exists ? "" : "missing ") << snapshot.bytes.size() << " bytes, date "
       << (snapshot.date ? snapshot.date->time_since_epoch().count() : 0);
}
Snapshot SnapshotOf(const fs::path& file) {
  const bool exists = fs::exists(file);
  return {exists, exists ? ReadBytes(file) : std::string(), GetFileDate(file)};
}

// A photo with an old date, as a card's files have.
void MakeOld(const fs::path& file, const std::string& bytes) {
  WriteBytes(file, bytes);
  SetFileDate(file, *GetFileDate(file) - std::chrono::hours(24 * 400));
}

class UndoStoreTest : public ::testing::Test {
 protected:
  UndoStoreTest() {
    if (const char* old = std::getenv("XDG_DATA_HOME")) oldDataHome = old;
    ::setenv("XDG_DATA_HOME", (dir / "share").c_str(), 1);
    MakeOld(dir / "a.jpg", test::MakeJpeg());
    MakeOld(dir / "b.jpg", "second photo");
  }
  ~UndoStoreTest() override {
    if (oldDataHome)
      ::setenv("XDG_DATA_HOME", oldDataHome->c_str(), 1);
    else
      ::unsetenv("XDG_DATA_HOME");
  }

  // A command that rewrites each file as a transform would.
  static void Rewrite(UndoStore& store, const std::vector<fs::path>& files, const char* name = "Rotate left") {
    store.Begin(name);
    for (const fs::path& file : files) {
      const size_t entry = store.Keep(file);
      WriteFileAtomic(file, ReadBytes(file) + "turned");
      store.Changed(entry);
    }
  }

  TempDir dir;
  std::optional<std::string> oldDataHome;
};

TEST_F(UndoStoreTest, EveryKindOfCommandIsUndoneByteForByteWithTheDate) {
  struct Case {
    const char* name;
    std::function<void(UndoStore&, const fs::path&)> command;
  };
  const Case cases[] = {
      {"rewrite", [](UndoStore& store, const fs::path& file) { Rewrite(store, {file}); }},
      {"copy into an existing file",
       [](UndoStore& store, const fs::path& file) {
         store.Begin("Metadata delete");
         const fs::path copy = file.parent_path() / "b.jpg";
         const size_t entry = store.Keep(copy);
         WriteFileAtomic(copy, "stripped");
         store.Changed(entry);
       }},
      {"copy into a new file",
       [](UndoStore& store, const fs::path& file) {
         store.Begin("Metadata delete");
         const fs::path copy = file.parent_path() / "a_nometa.jpg";
         const size_t entry = store.Keep(copy);
         WriteFileAtomic(copy, "stripped");
         store.Changed(entry);
       }},
      {"trash",
       [](UndoStore& store, const fs::path& file) {
         store.Begin("File Delete");
         store.Trashed(file, MoveToTrash(file));
       }},
      {"rename",
       [](UndoStore& store, const fs::path& file) {
         store.Begin("FileRename");
         const fs::path to = file.parent_path() / "renamed.jpg";
         fs::rename(file, to);
         store.Renamed(file, to);
       }},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    const fs::path file = dir / "a.jpg";
    const std::vector<Snapshot> before{SnapshotOf(file), SnapshotOf(dir / "b.jpg"), SnapshotOf(dir / "a_nometa.jpg"),
                                       SnapshotOf(dir / "renamed.jpg")};
    UndoStore store(dir / "cache/undo");
    ASSERT_TRUE(store.Usable()) << store.Problem();
    test.command(store, file);
    EXPECT_TRUE(store.CanUndo());
    EXPECT_TRUE(store.UndoLast().empty());
    EXPECT_FALSE(store.CanUndo());
    const std::vector<Snapshot> after{SnapshotOf(file), SnapshotOf(dir / "b.jpg"), SnapshotOf(dir / "a_nometa.jpg"),
                                      SnapshotOf(dir / "renamed.jpg")};
    EXPECT_EQ(after, before);
  }
  EXPECT_TRUE(fs::is_empty(dir / "share/Trash/files"));
  EXPECT_TRUE(fs::is_empty(dir / "share/Trash/info"));
}

TEST_F(UndoStoreTest, CommandsAreUndoneLastFirstAndUntouchedFilesStayOut) {
  const Snapshot original = SnapshotOf(dir / "a.jpg");
  UndoStore store(dir / "cache/undo");
  Rewrite(store, {dir / "a.jpg"});
  const Snapshot once = SnapshotOf(dir / "a.jpg");
  Rewrite(store, {dir / "a.jpg"}, "Rotate by EXIF");
  store.Unchanged(store.Keep(dir / "b.jpg"));  // already upright
  WriteBytes(dir / "b.jpg", "edited later by hand");  // not the command's doing: stays

  EXPECT_EQ(store.LastName(), "Rotate by EXIF");
  EXPECT_TRUE(store.UndoLast().empty());
  EXPECT_EQ(SnapshotOf(dir / "a.jpg"), once);
  EXPECT_EQ(store.LastName(), "Rotate left");
  EXPECT_TRUE(store.UndoLast().empty());
  EXPECT_EQ(SnapshotOf(dir / "a.jpg"), original);
  EXPECT_EQ(ReadBytes(dir / "b.jpg"), "edited later by hand");
}

TEST_F(UndoStoreTest, ACommandThatChangedNoFileLeavesTheOneBeforeLast) {
  struct Case {
    const char* name;
    std::function<void(UndoStore&, const fs::path&)> command;
  };
  const Case cases[] = {
      {"no file at all", [](UndoStore& store, const fs::path&) { store.Begin("Rating"); }},
      {"its write failed or left the file alone",
       [](UndoStore& store, const fs::path& file) {
         store.Begin("IPTC fields");
         store.Unchanged(store.Keep(file));
         store.Unchanged(store.Keep(file.parent_path() / "b.jpg"));
       }},
      {"two such commands",
       [](UndoStore& store, const fs::path& file) {
         store.Begin("Rating");
         store.Unchanged(store.Keep(file));
         store.Begin("Rating");
       }},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    const fs::path file = dir / "a.jpg";
    const Snapshot original = SnapshotOf(file);
    UndoStore store(dir / "cache/undo");
    test.command(store, file);
    EXPECT_FALSE(store.CanUndo());
    Rewrite(store, {file});
    test.command(store, file);
    EXPECT_TRUE(store.CanUndo());
    EXPECT_EQ(store.LastName(), "Rotate left");
    EXPECT_TRUE(store.UndoLast().empty());
    EXPECT_EQ(SnapshotOf(file), original);
    EXPECT_FALSE(store.CanUndo());
    EXPECT_EQ(std::distance(fs::directory_iterator(store.Folder()), fs::directory_iterator()), 1);  // the lock
  }
}

TEST_F(UndoStoreTest, AFileChangedSinceIsSkippedAndNamedTheOthersComeBack) {
  const Snapshot b = SnapshotOf(dir / "b.jpg");
  UndoStore store(dir / "cache/undo");
  Rewrite(store, {dir / "a.jpg", dir / "b.jpg"});
  // The same size and date, other bytes: only the hash tells.
  const std::optional<FileTime> date = GetFileDate(dir / "a.jpg");
  std::string changed = ReadBytes(dir / "a.jpg");
  changed[3] ^= 1;
  WriteBytes(dir / "a.jpg", changed);
  SetFileDate(dir / "a.jpg", *date);

  const std::vector<UndoSkip> skipped = store.UndoLast();
  ASSERT_EQ(skipped.size(), 1u);
  EXPECT_EQ(skipped[0].file, fs::absolute(dir / "a.jpg"));
  EXPECT_EQ(skipped[0].reason, "it was changed after the command");
  EXPECT_EQ(ReadBytes(dir / "a.jpg"), changed);
  EXPECT_EQ(SnapshotOf(dir / "b.jpg"), b);
}

TEST_F(UndoStoreTest, TheStoreIsPrivateLimitedAndGoneAfterANormalEnd) {
  fs::path folder;
  {
    UndoStore store(dir / "cache/undo");
    folder = store.Folder();
    struct stat info {};
    ASSERT_EQ(::stat((dir / "cache/undo").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_LE(store.Limit(), uint64_t(2) << 30);
    EXPECT_TRUE(store.Fits(store.Limit()));
    EXPECT_FALSE(store.Fits(store.Limit() + 1));
    Rewrite(store, {dir / "a.jpg"});
    EXPECT_TRUE(UndoStore::LeftBehind(dir / "cache/undo").empty());  // its run is alive
  }
  EXPECT_FALSE(fs::exists(folder));
}

TEST_F(UndoStoreTest, AStoreLeftByACrashIsFoundRestoredAndRemoved) {
  const Snapshot a = SnapshotOf(dir / "a.jpg"), b = SnapshotOf(dir / "b.jpg");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto* store = new UndoStore(dir / "cache/undo");  // never destroyed: the run crashes
    Rewrite(*store, {dir / "a.jpg", dir / "b.jpg"});
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_NE(SnapshotOf(dir / "a.jpg"), a);

  const std::vector<fs::path> left = UndoStore::LeftBehind(dir / "cache/undo");
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(UndoStore::FilesIn(left[0]), 2u);
  EXPECT_TRUE(UndoStore::RestoreLeftBehind(left[0]).empty());
  EXPECT_EQ(SnapshotOf(dir / "a.jpg"), a);
  EXPECT_EQ(SnapshotOf(dir / "b.jpg"), b);
  EXPECT_FALSE(fs::exists(left[0]));
  EXPECT_TRUE(UndoStore::LeftBehind(dir / "cache/undo").empty());
}

}  // namespace
}  // namespace pixaldo
