// The standard error kept quiet for a library: what the library prints there
// is dropped, while the program's own messages, from any thread, still arrive.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <thread>
#include <unistd.h>

#include "platform/StandardError.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

TEST(StandardError, TheProgramsMessagesGetThroughWhileALibraryIsKeptQuiet) {
  test::TempDir dir;
  const auto captured = dir / "stderr";
  const int real = ::dup(STDERR_FILENO);
  const int file = ::open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_GE(file, 0);
  ::dup2(file, STDERR_FILENO);
  ::close(file);
  {
    const QuietStandardError quiet;
    ASSERT_EQ(::write(STDERR_FILENO, "library\n", 8), 8);
    std::thread other([] { WriteStandardError("from a worker\n"); });
    other.join();
    {
      const QuietStandardError nested;
      WriteStandardError("nested\n");
    }
    ASSERT_EQ(::write(STDERR_FILENO, "library\n", 8), 8);  // still quiet after the inner one ended
  }
  WriteStandardError("after\n");
  ::dup2(real, STDERR_FILENO);
  ::close(real);
  EXPECT_EQ(test::ReadBytes(captured), "from a worker\nnested\nafter\n");
}

}  // namespace
}  // namespace pixaldo
