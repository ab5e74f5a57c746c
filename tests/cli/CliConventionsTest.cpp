// pixaldo-cli's conventions: help and version, "--", usage errors, several
// files per call, and --json carrying the same entries as the tab-separated lines.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "support/TestSupport.h"

namespace pixaldo {
namespace {

namespace fs = std::filesystem;
using test::RunCli;
using Json = nlohmann::json;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The command names as --help lists them (the lines "  NAME OPERANDS...").
std::vector<std::string> CommandNames() {
  std::vector<std::string> names;
  for (const std::string& line : Lines(RunCli({"--help"}).out))
    if (line.size() > 2 && line.rfind("  ", 0) == 0 && line[2] != ' ' && line[2] != '-' &&
        line.rfind("  or:", 0) != 0)
      names.push_back(line.substr(2, line.find(' ', 2) - 2));
  return names;
}

// A tab-separated field with its escapes undone.
std::string Unescape(const std::string& field) {
  std::string text;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\') {
      text += field[i];
      continue;
    }
    const char next = field[++i];
    if (next == 'x') {
      text += static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      text += next == 't' ? '\t' : next == 'r' ? '\r' : next == 'n' ? '\n' : next;
    }
  }
  return text;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) fields.push_back(Unescape(field));
  if (!line.empty() && line.back() == '\t') fields.push_back("");
  return fields;
}

// A photo whose comment and title hold escapes and letters beyond ASCII.
fs::path PhotoWithAwkwardTexts(const test::TempDir& dir) {
  fs::path file = dir / "awkward.jpg";
  test::WriteBytes(file, test::MakeJpeg());
  EXPECT_EQ(RunCli({"comment", file.string(), "tab\there\\ line\nnext \x01 Žluťoučký kůň"}).exitCode, 0);
  EXPECT_EQ(RunCli({"set-iptc", file.string(), "--title", "Příliš \"žluťoučký\"", "--caption", "a\tb"}).exitCode, 0);
  return file;
}

std::vector<fs::path> JsonCheckFiles(const test::TempDir& dir) {
  std::vector<fs::path> files{PhotoWithAwkwardTexts(dir)};
  if (test::HaveTestData())
    for (const char* camera : {"maker/Canon.jpg", "cameras/Nikon_D70.jpg", "cameras/DSCN0010.jpg"})
      files.push_back(test::TestData(camera));
  return files;
}

TEST(CliConventions, HelpAndVersion) {
  auto version = RunCli({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.rfind("pixaldo-cli ", 0), 0u) << version.out;

  auto help = RunCli({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  const auto names = CommandNames();
  ASSERT_GE(names.size(), 19u) << help.out;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    auto asked = RunCli({"help", name});
    EXPECT_EQ(asked.exitCode, 0);
    EXPECT_EQ(asked.out.rfind("Usage: pixaldo-cli " + name + " ", 0), 0u) << asked.out;
    EXPECT_EQ(RunCli({name, "--help"}).out, asked.out);
  }
  EXPECT_EQ(RunCli({"help", "no-such-command"}).exitCode, 2);
  EXPECT_EQ(RunCli({"no-such-command"}).exitCode, 2);
  EXPECT_EQ(RunCli({}).exitCode, 2);
}

TEST(CliConventions, UnknownAndExtraArgumentsAreUsageErrors) {
  test::TempDir dir;
  fs::path file = dir / "a.jpg";
  test::WriteBytes(file, test::MakeJpeg());
  const std::string original = test::ReadBytes(file);
  for (const std::string& name : CommandNames()) {
    SCOPED_TRACE(name);
    auto bogus = RunCli({name, file.string(), "x", "--bogus"});
    EXPECT_EQ(bogus.exitCode, 2);
    EXPECT_NE(bogus.err.find("--bogus"), std::string::npos) << bogus.err;
  }
  for (const std::vector<std::string>& extra :
       {std::vector<std::string>{"comment", file.string(), "text", "more"},
        {"crop", file.string(), "16x16+0+0", "more"},
        {"export", dir.path().string(), (dir / "db.xml").string(), "more"},
        {"render", file.string(), "more", "--panel", "10x10"},
        {"strip-metadata", file.string(), "more", "--output", (dir / "out.jpg").string()},
        {"rotate-left", file.string(), file.string(), "--output", (dir / "out.jpg").string()}})
    EXPECT_EQ(RunCli(extra).exitCode, 2) << extra[0];
  EXPECT_EQ(test::ReadBytes(file), original);
  EXPECT_FALSE(fs::exists(dir / "out.jpg"));
}

TEST(CliConventions, DoubleDashEndsTheOptions) {
  test::TempDir dir;
  test::WriteBytes(dir / "-x.jpg", test::MakeJpeg());
  const fs::path previous = fs::current_path();
  fs::current_path(dir.path());
  auto summary = RunCli({"summary", "--", "-x.jpg"});
  EXPECT_EQ(summary.exitCode, 0) << summary.err;
  EXPECT_NE(summary.out.find("DctBlock\t16\xC3\x97" "16\n"), std::string::npos) << summary.out;
  EXPECT_EQ(RunCli({"summary", "-x.jpg"}).exitCode, 2);
  EXPECT_EQ(RunCli({"comment", "--", "-x.jpg", "--keep-date"}).exitCode, 0);
  EXPECT_NE(RunCli({"tags", "--", "-x.jpg"}).out.find("comment\t\t--keep-date\n"), std::string::npos);
  fs::current_path(previous);
}

TEST(CliConventions, SeveralFilesHeadedAndWorstStatus) {
  test::TempDir dir;
  const fs::path a = PhotoWithAwkwardTexts(dir), missing = dir / "missing.jpg", b = dir / "b.jpg";
  test::WriteBytes(b, test::MakeJpeg());
  auto result = RunCli({"summary", a.string(), missing.string(), b.string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("missing.jpg"), std::string::npos) << result.err;
  const auto lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 3u + 2 * 19) << result.out;
  EXPECT_EQ(lines[0], "== " + a.string());
  EXPECT_EQ(lines[20], "== " + missing.string());
  EXPECT_EQ(lines[21], "== " + b.string());

  // A write command edits every file it is given; one that fails does not stop the rest.
  EXPECT_EQ(RunCli({"delete-comment", a.string(), missing.string(), b.string()}).exitCode, 1);
  EXPECT_EQ(RunCli({"tags", a.string()}).out.find("comment\t"), std::string::npos);
  EXPECT_EQ(RunCli({"delete-iptc", a.string(), b.string()}).exitCode, 0);
  EXPECT_EQ(RunCli({"tags", a.string()}).out, "");
}

TEST(CliConventions, JsonCarriesTheSameEntriesAsTheLines) {
  test::TempDir dir;
  for (const fs::path& file : JsonCheckFiles(dir)) {
    SCOPED_TRACE(file.string());
    const auto tagLines = Lines(RunCli({"tags", file.string()}).out);
    const Json tags = Json::parse(RunCli({"tags", "--json", file.string()}).out);
    ASSERT_EQ(tags.size(), tagLines.size());
    for (size_t i = 0; i < tagLines.size(); ++i)
      EXPECT_EQ(Fields(tagLines[i]), (std::vector<std::string>{tags[i]["group"], tags[i]["name"], tags[i]["value"]}));

    const auto summaryLines = Lines(RunCli({"summary", file.string()}).out);
    const Json summary = Json::parse(RunCli({"summary", file.string(), "--json"}).out);
    ASSERT_EQ(summary.size(), summaryLines.size());
    for (const std::string& line : summaryLines) {
      auto fields = Fields(line);
      const Json& value = summary.at(fields[0]);
      if (value.is_array())
        EXPECT_EQ(value, Json(std::vector<std::string>(fields.begin() + 1, fields.end()))) << line;
      else if (value.is_number())
        EXPECT_EQ(std::to_string(value.get<int>()), fields[1]) << line;
      else
        EXPECT_EQ(value, fields[1]) << line;
    }

    const auto segmentLines = Lines(RunCli({"segments", file.string()}).out);
    const Json segments = Json::parse(RunCli({"segments", "--json", file.string()}).out);
    ASSERT_EQ(segments.size(), segmentLines.size());
    for (size_t i = 0; i < segments.size(); ++i) {
      const Json& s = segments[i];
      EXPECT_EQ(Fields(segmentLines[i]),
                (std::vector<std::string>{std::to_string(s["number"].get<int>()), s["name"], s["marker"],
                                          std::to_string(s["offset"].get<long long>()),
                                          std::to_string(s["size"].get<long long>())}));
    }
  }
  const fs::path awkward = dir / "awkward.jpg";
  const Json tags = Json::parse(RunCli({"tags", "--json", awkward.string()}).out);
  EXPECT_EQ(tags.back()["value"], "tab\there\\ line\nnext \x01 Žluťoučký kůň");

  // Several files: one object keyed by file name.
  const Json both = Json::parse(RunCli({"segments", "--json", awkward.string(), awkward.string() + "x"}).out);
  EXPECT_EQ(both.size(), 1u);
  EXPECT_TRUE(both.contains(awkward.string()));
}

}  // namespace
}  // namespace pixaldo
