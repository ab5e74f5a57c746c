// The sweep itself must notice each way a write can break its promises,
// or the write tests beside it would prove nothing.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/FileError.h"
#include "platform/FileSystem.h"
#include "support/FaultSweep.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::FaultSweep;

bool Mentions(const std::vector<std::string>& problems, const std::string& text) {
  for (const auto& problem : problems)
    if (problem.find(text) != std::string::npos) return true;
  return false;
}

class FaultSweepCheck : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::filesystem::path file = dir / "photo.jpg";
  void SetUp() override { test::WriteBytes(file, "old bytes"); }
  FaultSweep Sweep(std::function<void()> operation) const { return {{file}, {dir.path()}, std::move(operation)}; }
};

TEST_F(FaultSweepCheck, AnAtomicWritePasses) {
  auto sweep = Sweep([&] { WriteFileAtomic(file, "new bytes"); }).Run();
  EXPECT_TRUE(sweep.problems.empty());
  EXPECT_EQ(sweep.failedRuns, 6);  // lock, write, attributes, flush, rename, folder flush
  EXPECT_EQ(sweep.operations, 6);
  EXPECT_EQ(test::ReadBytes(file), "new bytes");
}

TEST_F(FaultSweepCheck, BrokenPromisesAreReported) {
  const struct {
    const char* what;
    std::function<void()> operation;
    const char* expected;
  } cases[] = {
      {"direct write", [&] { std::ofstream(file, std::ios::trunc) << "new"; }, "without going through the file layer"},
      {"swallowed error",
       [&] {
         try {
           WriteFileAtomic(file, "new");
         } catch (const FileError&) {
         }
       },
       "still reported success"},
      {"error under another name",
       [&] {
         try {
           WriteFileAtomic(file, "new");
         } catch (const FileError& error) {
           throw FileError(dir / "elsewhere.tmp", error.reason());
         }
       },
       "the error names"},
      {"temporary file left behind",
       [&] {
         test::WriteBytes(dir / ".photo.jpg.part", "half");
         WriteFileAtomic(file, "new");
       },
       "holds"},
      {"half-written original",
       [&] {
         test::WriteBytes(file, "ne");
         WriteFileAtomic(file, "new");
       },
       "photo.jpg was changed"},
  };
  for (const auto& item : cases) {
    test::WriteBytes(file, "old bytes");
    std::filesystem::remove(dir / ".photo.jpg.part");
    auto sweep = Sweep(item.operation).Run();
    EXPECT_TRUE(Mentions(sweep.problems, item.expected)) << item.what;
  }
}

}  // namespace
}  // namespace pixaldo
