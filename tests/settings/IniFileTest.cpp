#include <gtest/gtest.h>

#include "platform/FileError.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

TEST(IniFile, NamesMatchWithoutCaseAndBlanks) {
  TempDir dir;
  WriteBytes(dir / "a.ini",
             "; comment\r\n[ Options ]\r\n  CropSuffix =  _x  \r\nQuoted=\"  spaced  \"\n"
             "[\xC8" "E\x8AT\xCDNA]\nKey=v\n[options]\ncropsuffix=second\n");
  IniFile ini(dir / "a.ini");
  EXPECT_EQ(ini.ReadString("options", "CROPSUFFIX", "d"), "_x");
  EXPECT_EQ(ini.ReadString("Options", "Quoted", "d"), "  spaced  ");
  EXPECT_EQ(ini.ReadString("Options", "Missing", "d"), "d");
  EXPECT_EQ(ini.ReadString("Nothing", "Key", "d"), "d");
  // Windows-1250 letters fold too: "ČEŠTÍNA" is "čeština".
  EXPECT_EQ(ini.ReadString("\xE8" "e\x9At\xEDna", "key", ""), "v");
  EXPECT_EQ(ini.ReadSection("OPTIONS"), (std::vector<std::string>{"CropSuffix", "Quoted"}));
}

TEST(IniFile, IntegersAndBooleans) {
  TempDir dir;
  WriteBytes(dir / "a.ini",
             "[S]\nDec=-42\nHex=$1F\nHex2=0x10\nAll=$FFFFFFFF\nWord=abc\nHuge=99999999999\nEmpty=\n"
             "Two=2\nZero=0\nNeg=-1\n");
  IniFile ini(dir / "a.ini");
  EXPECT_EQ(ini.ReadInteger("S", "Dec", 7), -42);
  EXPECT_EQ(ini.ReadInteger("S", "Hex", 7), 31);
  EXPECT_EQ(ini.ReadInteger("S", "Hex2", 7), 16);
  EXPECT_EQ(ini.ReadInteger("S", "All", 7), -1);
  EXPECT_EQ(ini.ReadInteger("S", "Word", 7), 7);
  EXPECT_EQ(ini.ReadInteger("S", "Huge", 7), 7);
  EXPECT_EQ(ini.ReadInteger("S", "Empty", 7), 7);
  EXPECT_TRUE(ini.ReadBool("S", "Two", false));
  EXPECT_TRUE(ini.ReadBool("S", "Neg", false));
  EXPECT_FALSE(ini.ReadBool("S", "Zero", true));
  EXPECT_TRUE(ini.ReadBool("S", "Word", true));
  EXPECT_FALSE(ini.ReadBool("S", "Word", false));
}

TEST(IniFile, LongTextsAreCutAt2047Characters) {
  TempDir dir;
  WriteBytes(dir / "a.ini", "[S]\nLong=" + std::string(3000, 'x') + "\n");
  EXPECT_EQ(IniFile(dir / "a.ini").ReadString("S", "Long", "").size(), 2047u);
}

TEST(IniFile, RewritesOnlyWhatChanged) {
  TempDir dir;
  WriteBytes(dir / "a.ini", "[First]\nA=1\n; note\n\n[Second]\nB=2\nC=3\n[Third]\nD=4\n");
  IniFile ini(dir / "a.ini");
  ini.EraseSection("second");
  ini.WriteString("First", "A", "one");
  ini.WriteString("First", "E", "five");
  ini.WriteInteger("New", "F", 6);
  ini.WriteBool("Third", "G", true);
  ini.UpdateFile();
  EXPECT_EQ(ReadBytes(dir / "a.ini"),
            "[First]\r\nA=one\r\n; note\r\nE=five\r\n\r\n[Third]\r\nD=4\r\nG=1\r\n\r\n[New]\r\nF=6\r\n");
}

TEST(IniFile, LineBreaksInValuesCannotAddKeys) {
  TempDir dir;
  IniFile ini(dir / "a.ini");
  ini.WriteString("S", "Item1", "Zoo\r\n[Options]\nLanguage=3");
  ini.UpdateFile();
  IniFile again(dir / "a.ini");
  EXPECT_FALSE(again.SectionExists("Options"));
  EXPECT_EQ(again.ReadString("S", "Item1", ""), "Zoo  [Options] Language=3");
}

TEST(IniFile, FailedWriteReportsTheFileAndKeepsIt) {
  TempDir dir;
  auto file = dir / "a.ini";
  WriteBytes(file, "[S]\nA=1\n");
  IniFile ini(file);
  ini.WriteString("S", "A", "2");
  FaultInjection::FailAt(1);
  try {
    ini.UpdateFile();
    ADD_FAILURE() << "the write did not fail";
  } catch (const FileError& error) {
    EXPECT_EQ(error.reason(), "Unable to write to " + file.string() + ": cannot lock the file: No locks available");
    EXPECT_EQ(error.path(), file);
  }
  FaultInjection::Reset();
  EXPECT_EQ(ReadBytes(file), "[S]\nA=1\n");
}

TEST(IniFile, Utf8FileWithByteOrderMark) {
  TempDir dir;
  // "[Français]" and "[Čeština]" in UTF-8, with texts Windows-1250 lacks letters for.
  WriteBytes(dir / "a.ini",
             "\xEF\xBB\xBF[Fran\xC3\xA7" "ais]\r\n001=Param\xC3\xA8tres\r\n002=\xC5\x92uvre\r\n"
             "[\xC4\x8C" "e\xC5\xA1tina]\r\n001=N\xC3\xA1zev\r\n");
  IniFile ini(dir / "a.ini");
  EXPECT_TRUE(ini.IsUtf8());
  EXPECT_EQ(ini.ReadString("Fran\xE7" "ais", "001", ""), "Parametres");
  EXPECT_EQ(ini.ReadString("Fran\xE7" "ais", "002", ""), "OEuvre");
  EXPECT_EQ(ini.ReadStringUtf8("Fran\xE7" "ais", "001", ""), "Param\xC3\xA8tres");
  EXPECT_EQ(ini.ReadString("\xC8" "e\x9Atina", "001", ""), "N\xE1zev");
  // A write keeps the encoding.
  ini.WriteString("\xC8" "e\x9Atina", "002", "\x9A\xE9");
  ini.UpdateFile();
  std::string bytes = ReadBytes(dir / "a.ini");
  EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(bytes.find("002=\xC5\xA1\xC3\xA9\r\n"), std::string::npos);
}

TEST(IniFile, Utf8WithoutMarkIsReadAsWindows1250) {
  TempDir dir;
  WriteBytes(dir / "a.ini", "[\xC4\x8C" "e\xC5\xA1tina]\n001=x\n");
  IniFile ini(dir / "a.ini");
  EXPECT_FALSE(ini.SectionExists("\xC8" "e\x9Atina"));
  EXPECT_EQ(ini.ReadStringUtf8("\xC4\x8C" "e\xC5\xA1tina", "001", "none"), "x");
}

}  // namespace
}  // namespace pixaldo
