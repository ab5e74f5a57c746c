// Two writers of one photo at once: each command takes the photo's lock
// before it reads anything it decides on, so a write that finished while it
// waited is never lost nor done twice. The test plays the other writer: it
// holds the lock between its read and its write while the command starts,
// then puts its result in place and lets the command go on.
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "support/OrientedJpeg.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

namespace fs = std::filesystem;
using test::RunCli;
using test::TempDir;

// Whether a child of this process has the file open, as a writer waiting
// for its lock has.
bool AChildHasOpen(const fs::path& file) {
  struct stat wanted {};
  if (::stat(file.c_str(), &wanted) != 0) return false;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc", error)) {
    std::ifstream stat(entry.path() / "stat");
    std::string pid, name, state;
    long parent = 0;
    if (!(stat >> pid >> name >> state >> parent) || parent != long(::getpid())) continue;
    for (const auto& fd : fs::directory_iterator(entry.path() / "fd", error)) {
      struct stat open {};
      if (::stat(fd.path().c_str(), &open) == 0 && open.st_dev == wanted.st_dev && open.st_ino == wanted.st_ino)
        return true;
    }
  }
  return false;
}

// Waits until a child has held the file open for several looks in a row (it
// waits for the lock then, its reads being done in an instant); false when
// none does within a generous bound, which only a failure reaches.
bool AChildWaitsFor(const fs::path& file) {
  int inARow = 0;
  for (int look = 0; look < 1000 && inARow < 5; ++look) {
    inARow = AChildHasOpen(file) ? inARow + 1 : 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return inARow >= 5;
}

std::vector<std::string> With(std::vector<std::string> command, const fs::path& file) {
  for (std::string& word : command)
    if (word == "FILE") word = file.string();
  return command;
}

TEST(ConcurrentWrites, AWriteThatFinishedWhileACommandWaitedIsKept) {
  if (!test::HaveProgram("jpegtran")) GTEST_SKIP() << "jpegtran is not installed";
  TempDir dir;
  // A sideways phone photo with a thumbnail, a comment and an IPTC title.
  const std::string upright = test::MakeJpeg({.width = 96, .height = 64, .writeJfif = false});
  const fs::path original = dir / "original.jpg";
  test::WriteBytes(original, test::InsertAfterSoi(test::MakeOrientedJpeg(upright, 6, dir.path()),
                                                  {test::Segment(0xFE, "a comment")}));
  ASSERT_EQ(RunCli({"set-iptc", original.string(), "--title", "Pier"}).exitCode, 0);
  const fs::path source = dir / "source.jpg";
  test::WriteBytes(source, test::MakeOrientedJpeg(upright, 3, dir.path()));

  struct Case {
    std::vector<std::string> command;  // the command that waits
    std::vector<std::string> other;    // the write that finishes meanwhile
  };
  const std::vector<Case> cases = {
      {{"delete-iptc", "FILE"}, {"rotate-right", "FILE"}},
      {{"delete-comment", "FILE"}, {"set-iptc", "FILE", "--title", "Harbour"}},
      {{"delete-exif", "FILE"}, {"set-iptc", "FILE", "--title", "Harbour"}},
      {{"import-exif", source.string(), "FILE"}, {"rotate-left", "FILE"}},
      {{"restore-thumbnail", "FILE"}, {"rotate-right", "FILE"}},
      {{"auto-rotate", "FILE"}, {"auto-rotate", "FILE"}},
      {{"rotate-right", "FILE"}, {"rotate-right", "FILE"}},
      {{"crop", "FILE", "32x32+0+0"}, {"rotate-right", "FILE"}},
  };
  for (const Case& c : cases) {
    const std::string what = c.command.front() + " after " + c.other.front();
    // What the two give one after the other.
    const fs::path done = dir / "done.jpg", expected = dir / "expected.jpg", photo = dir / "photo.jpg";
    fs::copy_file(original, done, fs::copy_options::overwrite_existing);
    ASSERT_EQ(RunCli(With(c.other, done)).exitCode, 0) << what;
    fs::copy_file(done, expected, fs::copy_options::overwrite_existing);
    ASSERT_EQ(RunCli(With(c.command, expected)).exitCode, 0) << what;

    // The same at once: the other writer holds the lock while the command starts.
    fs::copy_file(original, photo, fs::copy_options::overwrite_existing);
    const int held = ::open(photo.c_str(), O_RDONLY | O_CLOEXEC);  // not inherited by the command
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    test::CommandResult result;
    std::thread waiting([&] { result = RunCli(With(c.command, photo)); });
    const bool waited = AChildWaitsFor(photo);
    fs::rename(done, photo);
    ::close(held);
    waiting.join();
    EXPECT_TRUE(waited) << what;
    EXPECT_EQ(result.exitCode, 0) << what << ": " << result.err;
    EXPECT_TRUE(test::ReadBytes(photo) == test::ReadBytes(expected)) << what << ": the other write was lost or done twice";
  }
}

}  // namespace
}  // namespace pixaldo
