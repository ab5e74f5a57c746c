#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/WriteBatch.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::TempDir;
constexpr char kLeftover[] = ".photo.jpg.pixaldo-k3j9a0qz.tmp";

// In a batch the leftovers of a killed run are looked for at the first write
// into each folder (not only into the first folder), and a batch that ends
// forgets the folders, so that the next one looks again.
TEST(WriteBatch, EveryFolderIsCleanedAtItsFirstWriteOfEachBatch) {
  TempDir one, two;
  for (int round = 0; round < 2; ++round) {
    for (const TempDir* dir : {&one, &two}) test::WriteBytes(*dir / kLeftover, "stale");
    WriteBatch batch;
    for (const TempDir* dir : {&one, &two})
      for (const char* name : {"photo.jpg", "other.jpg"}) WriteFileAtomic(*dir / name, "new");
    batch.Finish();
    for (const TempDir* dir : {&one, &two})
      EXPECT_EQ(dir->List(), (std::vector<std::string>{"other.jpg", "photo.jpg"})) << "round " << round;
  }
}

// A batch ended by a signal leaves each finished file whole and in place,
// and no temporary file behind.
TEST(WriteBatch, ATerminatedBatchKeepsWhatItFinished) {
  TempDir dir;
  const pid_t child = ::fork();
  if (child == 0) {
    WriteBatch batch;
    WriteFileAtomic(dir / "a.jpg", "first");
    AtomicFileWriter writer(dir / "b.jpg");
    writer.Write("half");
    ::kill(::getpid(), SIGTERM);
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(dir.List(), std::vector<std::string>{"a.jpg"});
  EXPECT_EQ(test::ReadBytes(dir / "a.jpg"), "first");
}

}  // namespace
}  // namespace pixaldo
