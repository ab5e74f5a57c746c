#include <gtest/gtest.h>

#include "settings/SettingsLocation.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::TempDir;
using test::WriteBytes;

// A program in <prefix>/bin reads the file beside it first, then the
// installed <prefix>/share/pixaldo/Language.ini; with neither, the path beside
// it (so the missing file is reported there).
TEST(SettingsLocation, LanguageFileBesideTheProgramThenInstalledThenBeside) {
  TempDir prefix;
  std::filesystem::create_directories(prefix / "bin");
  std::filesystem::create_directories(prefix / "share" / "pixaldo");
  const std::filesystem::path bin = prefix / "bin";
  const std::filesystem::path installed = prefix / "share" / "pixaldo" / "Language.ini";

  EXPECT_EQ(LanguageFilePath(bin), bin / "Language.ini");
  // A folder of that name is no file.
  std::filesystem::create_directory(installed);
  EXPECT_EQ(LanguageFilePath(bin), bin / "Language.ini");
  std::filesystem::remove(installed);

  WriteBytes(installed, "[English]\r\n");
  EXPECT_EQ(LanguageFilePath(bin), installed.lexically_normal());
  WriteBytes(bin / "Language.ini", "[English]\r\n");
  EXPECT_EQ(LanguageFilePath(bin), bin / "Language.ini");
}

}  // namespace
}  // namespace pixaldo
