// Running another program: arguments passed untouched, exit status, captured
// standard error, programs that cannot be started.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/Process.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

namespace fs = std::filesystem;

TEST(RunProcess, PassesArgumentsWithoutAShellAndReportsStatus) {
  test::TempDir dir;
  fs::path marker = dir / "marker";
  // Blanks, quotes, a leading dash and shell syntax reach the program as single words.
  ProcessResult result = RunProcess({"sh", "-c", "printf '%s|' \"$@\" >&2; exit 3", "sh", "a b", "-x",
                                     "$(touch " + marker.string() + ")", "'q'"});
  EXPECT_TRUE(result.started);
  EXPECT_EQ(result.exitStatus, 3);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(result.errorOutput, "a b|-x|$(touch " + marker.string() + ")|'q'|");
  EXPECT_FALSE(fs::exists(marker));
}

TEST(RunProcess, DescribeGivesTheLastErrorLineOrHowItEnded) {
  EXPECT_EQ(RunProcess({"sh", "-c", "echo first >&2; echo 'second line' >&2; exit 1"}).Describe(), "second line");
  EXPECT_EQ(RunProcess({"sh", "-c", "echo out; exit 4"}).Describe(), "the program ended with exit status 4");
  ProcessResult killed = RunProcess({"sh", "-c", "kill -9 $$"});
  EXPECT_TRUE(killed.started);
  EXPECT_EQ(killed.signal, 9);
  EXPECT_FALSE(killed.Succeeded());
}

TEST(RunProcess, MissingProgramIsNotStarted) {
  ProcessResult result = RunProcess({"/nonexistent/program", "x"});
  EXPECT_FALSE(result.started);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_NE(result.Describe().find("cannot start"), std::string::npos);
  EXPECT_FALSE(RunProcess({}).started);
}

TEST(RunProcess, LargeErrorOutputDoesNotBlockAndIsCapped) {
  ProcessResult result = RunProcess({"sh", "-c", "head -c 300000 /dev/zero | tr '\\0' e >&2; exit 0"});
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.errorOutput.size(), 64u * 1024u);
}

// Standard output goes into the file given, and no further than the limit.
TEST(RunProcess, OutputGoesIntoTheFileUpToItsLimit) {
  test::TempDir dir;
  const int file = ::open((dir / "out").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(file, 0);
  ProcessOptions options;
  options.outputFile = file;
  options.maxOutput = 100000;
  EXPECT_TRUE(RunProcess({"sh", "-c", "printf 'one two'"}, options).Succeeded());
  EXPECT_EQ(test::ReadBytes(dir / "out"), "one two");
  ProcessResult tooLong = RunProcess({"sh", "-c", "exec head -c 300000 /dev/zero"}, options);
  EXPECT_TRUE(tooLong.outputTooLong);
  EXPECT_FALSE(tooLong.Succeeded());
  EXPECT_EQ(tooLong.Describe(), "the program's output was larger than allowed; it was stopped");
  EXPECT_LE(fs::file_size(dir / "out"), 100000u);
  ::close(file);
}

TEST(RunProcess, EnvironmentEntriesGivenReplaceTheInheritedOnes) {
  ::setenv("PIXALDO_KEPT", "kept", 1);
  ::setenv("PIXALDO_GIVEN", "inherited", 1);
  ProcessOptions options;
  options.environment = {"PIXALDO_GIVEN=given"};
  ProcessResult result = RunProcess({"sh", "-c", "printf '%s %s' \"$PIXALDO_KEPT\" \"$PIXALDO_GIVEN\" >&2"}, options);
  EXPECT_EQ(result.errorOutput, "kept given");
  ::unsetenv("PIXALDO_KEPT");
  ::unsetenv("PIXALDO_GIVEN");
}

TEST(RunProcess, ATimeLimitStopsTheProgram) {
  ProcessOptions options;
  options.limit = std::chrono::seconds(1);
  ProcessResult result = RunProcess({"sleep", "30"}, options);
  EXPECT_TRUE(result.timedOut);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(result.Describe(), "the program took longer than 1 seconds and was stopped");
}

// Whether a process has ended (gone, or a zombie nobody has collected yet).
bool Ended(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string pidField, name, state;
  return !(stat >> pidField >> name >> state) || state == "Z";
}

// A program started for us must not work on as an orphan when we are killed.
TEST(RunProcess, TheProgramDiesWithItsParent) {
  test::TempDir dir;
  const fs::path pidFile = dir / "pid";
  const pid_t parent = ::fork();
  if (parent == 0) {
    RunProcess({"sh", "-c", "echo $$ > " + pidFile.string() + ".part && mv " + pidFile.string() + ".part " +
                                pidFile.string() + " && exec sleep 60"});
    ::_exit(0);
  }
  for (int i = 0; i < 1000 && !fs::exists(pidFile); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(fs::exists(pidFile));
  const pid_t program = std::stoi(test::ReadBytes(pidFile));
  ::kill(parent, SIGKILL);
  ::waitpid(parent, nullptr, 0);
  for (int i = 0; i < 1000 && !Ended(program); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(Ended(program));
  if (!Ended(program)) ::kill(program, SIGKILL);
}

}  // namespace
}  // namespace pixaldo
