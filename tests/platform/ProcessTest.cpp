// Running another program: arguments passed untouched, exit status, captured
// standard error, programs that cannot be started.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace pixaldo
