#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <optional>
#include <string>
#include <vector>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// New files written from several threads at once take the user's umask,
// which stays as it was.
TEST(AtomicWrite, NewFilesTakeTheUmaskWhichStaysAsItWas) {
  for (const mode_t mask : {mode_t(022), mode_t(027), mode_t(077)}) {
    TempDir dir;
    const mode_t before = ::umask(mask);
    std::vector<std::thread> writers;
    for (int i = 0; i < 8; ++i)
      writers.emplace_back([&dir, i] {
        for (int j = 0; j < 20; ++j) WriteFileAtomic(dir / ("new" + std::to_string(i * 100 + j)), "bytes");
      });
    for (std::thread& writer : writers) writer.join();
    const mode_t after = ::umask(before);
    EXPECT_EQ(after, mask);
    for (const std::string& name : dir.List()) {
      struct stat info {};
      ASSERT_EQ(::stat((dir / name).c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask) << name;
    }
  }
}

TEST(AtomicWrite, ReplacesContentAndKeepsPermissions) {
  TempDir dir;
  auto file = dir / "photo.jpg";
  test::WriteBytes(file, "old");
  ::chmod(file.c_str(), 0640);
  WriteFileAtomic(file, "new content");
  EXPECT_EQ(test::ReadBytes(file), "new content");
  struct stat info {};
  ::stat(file.c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"photo.jpg"});
}

TEST(AtomicWrite, EveryInjectedFailureLeavesTheOriginal) {
  TempDir dir;
  auto file = dir / "photo.jpg";
  test::WriteBytes(file, "original");
  // Lock, write, attributes, flush, rename: the original stays. The folder
  // flush comes after the rename: the new file is in place, and the error says so.
  for (int step = 1; step <= 6; ++step) {
    FaultInjection::FailAt(step);
    try {
      WriteFileAtomic(file, "replacement");
      ADD_FAILURE() << "step " << step << " did not fail";
    } catch (const FileError& error) {
      EXPECT_EQ(error.path(), file);
      if (step == 6) {
        EXPECT_NE(error.reason().find("the new file is in place"), std::string::npos);
      }
    }
    FaultInjection::Reset();
    EXPECT_EQ(test::ReadBytes(file), step == 6 ? "replacement" : "original");
    EXPECT_EQ(dir.List(), std::vector<std::string>{"photo.jpg"});
  }
}

TEST(AtomicWrite, ReadOnlyFileIsRefused) {
  TempDir dir;
  auto file = dir / "photo.jpg";
  test::WriteBytes(file, "original");
  ::chmod(file.c_str(), 0444);
  EXPECT_THROW(WriteFileAtomic(file, "x"), FileError);
  EXPECT_EQ(test::ReadBytes(file), "original");
}

TEST(AtomicWrite, MissingDirectoryIsReported) {
  TempDir dir;
  EXPECT_THROW(WriteFileAtomic(dir / "no" / "such.jpg", "x"), FileError);
}

TEST(FileRead, MissingFileNamesThePath) {
  TempDir dir;
  try {
    ReadWholeFile(dir / "gone.jpg");
    FAIL();
  } catch (const FileError& error) {
    EXPECT_NE(std::string(error.what()).find("gone.jpg"), std::string::npos);
  }
}

TEST(FileDate, IsRestoredExactly) {
  TempDir dir;
  auto file = dir / "photo.jpg";
  test::WriteBytes(file, "x");
  auto before = GetFileDate(file).value() - std::chrono::hours(30) + std::chrono::nanoseconds(123456789);
  WriteFileAtomic(file, "y", before);  // set on the new file before it replaces the old one
  EXPECT_EQ(GetFileDate(file).value(), before);
}

TEST(AtomicWrite, WritesTheFileALinkNamesAndTheLinkStays) {
  TempDir dir;
  fs::create_directory(dir / "photos");
  test::WriteBytes(dir / "photos" / "photo.jpg", "old");
  fs::create_symlink("photos/photo.jpg", dir / "link.jpg");
  WriteFileAtomic(dir / "link.jpg", "new");
  EXPECT_TRUE(fs::is_symlink(dir / "link.jpg"));
  EXPECT_EQ(test::ReadBytes(dir / "photos" / "photo.jpg"), "new");
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"link.jpg", "photos"}));
  EXPECT_EQ(fs::directory_iterator(dir / "photos")->path().filename(), "photo.jpg");
}

TEST(AtomicWrite, KeepsOwnerGroupModeAndExtendedAttributes) {
  TempDir dir;
  auto file = dir / "photo.jpg";
  test::WriteBytes(file, "old");
  ::chmod(file.c_str(), 0640);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(file.c_str(), 1234, 5678), 0);
  }
  const std::string rating = "5";
  const bool attributes = ::setxattr(file.c_str(), "user.rating", rating.data(), rating.size(), 0) == 0;
  WriteFileAtomic(file, "new");
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(info.st_uid, 1234u);
    EXPECT_EQ(info.st_gid, 5678u);
  }
  if (attributes) {
    char value[8] = {};
    EXPECT_EQ(::getxattr(file.c_str(), "user.rating", value, sizeof value), 1);
    EXPECT_EQ(std::string(value), rating);
  }
  if (!root || !attributes) GTEST_SKIP() << "owner or user attributes cannot be set here";
}

// A pipe or device is written into as it is, never replaced by a plain file;
// a folder is refused.
TEST(AtomicWrite, PipesAndDevicesAreWrittenIntoAndFoldersRefused) {
  TempDir dir;
  auto pipe = dir / "pipe.ppm";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] { received = test::ReadBytes(pipe); });
  WriteFileAtomic(pipe, "through the pipe");
  reader.join();
  EXPECT_EQ(received, "through the pipe");
  EXPECT_TRUE(fs::is_fifo(pipe));

  fs::create_directory(dir / "x.jpg");
  try {
    WriteFileAtomic(dir / "x.jpg", "x");
    ADD_FAILURE() << "a folder was written";
  } catch (const FileError& error) {
    EXPECT_EQ(error.reason(), "is a folder");
  }

  auto device = dir / "null";
  if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) GTEST_SKIP() << "mknod is not permitted";
  WriteFileAtomic(device, "discarded");
  EXPECT_TRUE(fs::is_character_file(device));
}

// Readers never wait on a pipe or device named like a photo, and say what it is.
TEST(FileRead, NonRegularFilesAreAnsweredAtOnce) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dir / "zero.jpg");
  fs::create_directory(dir / "folder.jpg");
  const std::pair<const char*, const char*> cases[] = {
      {"pipe.jpg", "not a regular file"}, {"zero.jpg", "not a regular file"}, {"folder.jpg", "is a folder"}};
  for (const auto& [name, reason] : cases) {
    for (auto read : {+[](const fs::path& p) { ReadWholeFile(p); }, +[](const fs::path& p) { ReadFileHead(p, 10); }}) {
      try {
        read(dir / name);
        ADD_FAILURE() << name << " was read";
      } catch (const FileError& error) {
        EXPECT_EQ(error.path(), dir / name);
        EXPECT_EQ(error.reason(), reason) << name;
      }
    }
  }
}

// What a write of `file` answers: the reason of its FileError, or what
// went wrong instead.
std::string RefusalOf(const fs::path& file) {
  try {
    WriteFileAtomic(file, "new");
    return "the photo was replaced";
  } catch (const FileError& error) {
    return error.path() == file ? error.reason() : "the error names " + error.path().string();
  }
}

// The same in a child process that has given up the power to override file
// permissions (CAP_DAC_OVERRIDE), so that folder permissions bind root as
// well; nullopt only when the child could not give it up (any other end of
// the child is an answer that fails the test).
std::optional<std::string> RefusalWithoutOverride(const fs::path& file) {
  int link[2];
  if (::pipe(link) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(link[0]);
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) ::_exit(3);
    data[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
    data[0].permitted &= ~(1u << CAP_DAC_OVERRIDE);
    if (::syscall(SYS_capset, &header, data) != 0 || ::access(file.parent_path().c_str(), W_OK) == 0) ::_exit(3);
    const std::string reason = RefusalOf(file);
    const bool sent = ::write(link[1], reason.data(), reason.size()) == static_cast<ssize_t>(reason.size());
    ::_exit(sent ? 0 : 4);
  }
  ::close(link[1]);
  std::string reason;
  char buffer[256];
  for (ssize_t count; (count = ::read(link[0], buffer, sizeof buffer)) > 0;) reason.append(buffer, size_t(count));
  ::close(link[0]);
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child) return "the child could not be run";
  if (WIFEXITED(status) && WEXITSTATUS(status) == 3) return std::nullopt;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "the child ended with status " + std::to_string(status);
  return reason;
}

TEST(AtomicWrite, ErrorsNameThePhotoAndTheReason) {
  TempDir dir;
  auto file = dir / "photo.jpg";
  test::WriteBytes(file, "old");
  ::chmod(dir.path().c_str(), 0555);
  const std::optional<std::string> reason =
      ::access(dir.path().c_str(), W_OK) != 0 ? RefusalOf(file) : RefusalWithoutOverride(file);
  ::chmod(dir.path().c_str(), 0755);
  EXPECT_EQ(test::ReadBytes(file), "old");
  if (!reason) GTEST_SKIP() << "folder permissions do not bind this user";
  EXPECT_EQ(*reason, "cannot create a temporary file beside it: the folder is not writable");
}

// Temporary names are hidden, never end in a photo's extension and carry
// the program's mark; those a killed run left behind go at the next write
// into the folder, those a running writer holds stay, and other programs'
// files of a like form are never touched.
TEST(TemporaryFiles, LeftoversNobodyHoldsAreRemovedByTheNextWrite) {
  TempDir dir;
  auto file = dir / "photo.jpg";
  test::WriteBytes(file, "old");
  test::WriteBytes(dir / ".photo.jpg.pixaldo-k3j9a0qz.tmp", "stale");
  test::WriteBytes(dir / ".photo.jpg.pixaldo-heldheld.tmp", "held");
  const std::vector<std::string> others{".notes.tmp", ".notes.zz99zz99.tmp", ".photo.jpg.a1b2c3d4.tmp.jpg",
                                        ".photo.jpg.k3j9a0qz.tmp", "photo.jpg.pixaldo-k3j9a0qz.tmp"};
  for (const std::string& name : others) test::WriteBytes(dir / name, "another program's");
  const int held = ::open((dir / ".photo.jpg.pixaldo-heldheld.tmp").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  WriteFileAtomic(file, "new");
  ::close(held);
  std::vector<std::string> expected = others;
  expected.push_back(".photo.jpg.pixaldo-heldheld.tmp");
  expected.push_back("photo.jpg");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(dir.List(), expected);

  const fs::path name = TemporaryNameFor(file);
  EXPECT_TRUE(name.filename().string().starts_with(".photo.jpg.pixaldo-")) << name;
  EXPECT_EQ(name.extension(), ".tmp");
  EXPECT_TRUE(IsTemporaryName(name.filename().native()));
}

TEST(TemporaryFiles, ATerminatedWriterLeavesNone) {
  TempDir dir;
  auto file = dir / "photo.jpg";
  test::WriteBytes(file, "old");
  const pid_t child = ::fork();
  if (child == 0) {
    AtomicFileWriter writer(file);
    writer.Write("half of the new");
    ::kill(::getpid(), SIGTERM);
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGTERM);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"photo.jpg"});
  EXPECT_EQ(test::ReadBytes(file), "old");
}

}  // namespace
}  // namespace pixaldo
