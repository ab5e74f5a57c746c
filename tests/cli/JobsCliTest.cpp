// --jobs: several files at once, with the output, the files and the exit
// status of one file at a time.
#include <gtest/gtest.h>

#include "support/OrientedJpeg.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::RunCli;
using test::TempDir;
using test::WriteBytes;

// Removes every occurrence of the folder's path, so that runs in two folders compare.
std::string WithoutFolder(std::string text, const fs::path& folder) {
  const std::string path = folder.string() + "/";
  for (size_t at; (at = text.find(path)) != std::string::npos;) text.erase(at, path.size());
  return text;
}

// A mixed selection: sideways and upright photos, a damaged one, a missing one.
std::vector<std::string> MakeSelection(const fs::path& folder) {
  const std::string upright = test::MakeJpeg({.width = 64, .height = 48});
  std::vector<std::string> files;
  for (int i = 0; i < 8; ++i) {
    const fs::path file = folder / ("p" + std::to_string(i) + ".jpg");
    WriteBytes(file, i == 3 ? upright.substr(0, 200) : test::MakeOrientedJpeg(upright, i % 2 ? 6 : 1, folder));
    files.push_back(file.string());
  }
  files.push_back((folder / "gone.jpg").string());
  return files;
}

TEST(JobsCli, SeveralAtOnceGiveTheOutputFilesAndStatusOfOneAtATime) {
  const std::vector<std::vector<std::string>> commands = {
      {"auto-rotate"}, {"rotate-left", "--keep-date"}, {"set-iptc", "--title", "Harbour"}, {"delete-iptc"}};
  for (const auto& command : commands) {
    SCOPED_TRACE(command[0]);
    TempDir one, two;
    std::vector<std::string> sequential = command, parallel = command;
    sequential.insert(sequential.end(), {"--jobs", "1"});
    parallel.insert(parallel.end(), {"--jobs", "3"});
    const std::vector<std::string> filesOne = MakeSelection(one.path()), filesTwo = MakeSelection(two.path());
    sequential.insert(sequential.end(), filesOne.begin(), filesOne.end());
    parallel.insert(parallel.end(), filesTwo.begin(), filesTwo.end());

    const test::CommandResult a = RunCli(sequential), b = RunCli(parallel);
    EXPECT_EQ(a.exitCode, 1);
    EXPECT_EQ(b.exitCode, a.exitCode);
    EXPECT_EQ(WithoutFolder(b.out, two.path()), WithoutFolder(a.out, one.path()));
    EXPECT_EQ(WithoutFolder(b.err, two.path()), WithoutFolder(a.err, one.path()));
    EXPECT_NE(a.err.find("gone.jpg"), std::string::npos);
    for (const std::string& name : one.List()) EXPECT_EQ(ReadBytes(two / name), ReadBytes(one / name)) << name;
  }
}

TEST(JobsCli, AFileNamedTwiceIsTurnedTwiceAndABadCountIsAUsageError) {
  TempDir dir;
  const std::string photo = test::MakeJpeg({.width = 64, .height = 48});
  WriteBytes(dir / "a.jpg", photo);
  WriteBytes(dir / "b.jpg", photo);
  fs::create_symlink("a.jpg", dir / "link.jpg");
  const auto twice = RunCli({"rotate-left", "--jobs", "2", (dir / "a.jpg").string(), (dir / "link.jpg").string(),
                             (dir / "a.jpg").string()});
  EXPECT_EQ(twice.exitCode, 0) << twice.err;
  for (int turn = 0; turn < 3; ++turn) RunCli({"rotate-left", (dir / "b.jpg").string()});
  EXPECT_EQ(ReadBytes(dir / "a.jpg"), ReadBytes(dir / "b.jpg"));

  for (const char* count : {"0", "two", "-1", ""})
    EXPECT_EQ(RunCli({"auto-rotate", "--jobs", count, (dir / "a.jpg").string()}).exitCode, 2) << count;
}

}  // namespace
}  // namespace pixaldo
