#include "support/TestSupport.h"

#include "support/Corpus.h"
#include "support/ColourCharts.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <spawn.h>

#include <gtest/gtest.h>
#include <jpeglib.h>

extern char** environ;

namespace pixaldo::test {

fs::path TestDataRoot() {
  const char* chosen = std::getenv("PIXALDO_TESTDATA");
  return fs::path(chosen && *chosen ? chosen : PIXALDO_TESTDATA_DIR);
}

bool HaveTestData() {
  std::error_code ignored;
  return fs::is_directory(TestDataRoot(), ignored);
}

std::string NoTestDataReason() {
  return "the shared sample photos are not at " + TestDataRoot().string() +
         " (set PIXALDO_TESTDATA or the CMake variable PIXALDO_TESTDATA_DIR to their folder)";
}

fs::path TestData(const std::string& relative) {
  if (!HaveTestData()) ADD_FAILURE() << "this test needs PIXALDO_NEEDS_SAMPLES(): " << NoTestDataReason();
  return TestDataRoot() / relative;
}
fs::path SourcePath(const std::string& relative) { return fs::path(PIXALDO_SOURCE_DIR) / relative; }

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "pixaldo-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Tests may have made things read-only; give write access back first.
  for (auto it = fs::recursive_directory_iterator(path_, ignored); it != fs::recursive_directory_iterator();
       it.increment(ignored))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

fs::path TempDir::Copy(const std::string& testDataRelative, const std::string& name) const {
  fs::path source = TestData(testDataRelative);
  fs::path target = path_ / (name.empty() ? source.filename().string() : name);
  fs::copy_file(source, target, fs::copy_options::overwrite_existing);
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
  return target;
}

fs::path TempDir::Make(const std::string& corpusName, const std::string& name) const {
  fs::path target = path_ / (name.empty() ? corpusName : name);
  WriteBytes(target, CorpusBytes(corpusName));
  return target;
}

std::vector<std::string> TempDir::List() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

void WriteBytes(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string EncodeJpegRows(const JpegSpec& spec, int components, const std::function<void(int, uint8_t*)>& fillRow) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(spec.width);
  cinfo.image_height = JDIMENSION(spec.height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, spec.quality, TRUE);
  cinfo.comp_info[0].h_samp_factor = spec.hSampling;
  cinfo.comp_info[0].v_samp_factor = spec.vSampling;
  cinfo.write_JFIF_header = spec.writeJfif ? TRUE : FALSE;
  if (spec.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(size_t(spec.width) * size_t(components));
  while (cinfo.next_scanline < cinfo.image_height) {
    fillRow(int(cinfo.next_scanline), row.data());
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::string out(reinterpret_cast<char*>(buffer), size);
  jpeg_destroy_compress(&cinfo);
  free(buffer);
  return out;
}

std::string MakeJpeg(const JpegSpec& spec) {
  return EncodeJpegRows(spec, 3, [&spec](int y, uint8_t* row) {
    for (int x = 0; x < spec.width; ++x) {
      row[size_t(x) * 3] = static_cast<unsigned char>(x * 255 / std::max(1, spec.width - 1));
      row[size_t(x) * 3 + 1] = static_cast<unsigned char>(y * 255 / std::max(1, spec.height - 1));
      row[size_t(x) * 3 + 2] = static_cast<unsigned char>(spec.checks ? ((x / 8 + y / 8) % 2) * 200 : 100);
    }
  });
}

std::string Segment(uint8_t marker, std::string_view payload) {
  std::string out;
  out += char(0xFF);
  out += char(marker);
  size_t length = payload.size() + 2;
  out += char((length >> 8) & 0xFF);
  out += char(length & 0xFF);
  out.append(payload);
  return out;
}

std::string InsertAfterSoi(const std::string& jpeg, const std::vector<std::string>& segments) {
  std::string out = jpeg.substr(0, 2);
  for (const auto& segment : segments) out += segment;
  out += jpeg.substr(2);
  return out;
}

namespace {
// Walks marker segments from after SOI; calls visit(offset, marker, total size) until SOS.
template <typename Visit>
size_t WalkSegments(const std::string& jpeg, Visit visit) {
  size_t pos = 2;
  while (pos + 4 <= jpeg.size() && uint8_t(jpeg[pos]) == 0xFF) {
    uint8_t marker = uint8_t(jpeg[pos + 1]);
    if (marker == 0xDA) break;
    size_t length = size_t(uint8_t(jpeg[pos + 2])) << 8 | uint8_t(jpeg[pos + 3]);
    visit(pos, marker, length + 2);
    pos += length + 2;
  }
  return pos;
}
}  // namespace

std::string StripMetadataSegments(const std::string& jpeg) {
  std::string out = jpeg.substr(0, 2);
  size_t end = WalkSegments(jpeg, [&](size_t pos, uint8_t marker, size_t size) {
    bool metadata = (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE;
    if (!metadata) out += jpeg.substr(pos, size);
  });
  out += jpeg.substr(end);
  return out;
}

std::string PictureData(const std::string& jpeg) {
  size_t first = std::string::npos;
  WalkSegments(jpeg, [&](size_t pos, uint8_t marker, size_t) {
    bool picture = marker == 0xDB || (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                                      marker != 0xCC);
    if (picture && first == std::string::npos) first = pos;
  });
  return first == std::string::npos ? std::string() : jpeg.substr(first);
}

CommandResult Run(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv) {
  CommandResult result;
  char outName[] = "/tmp/pixaldo-run-out-XXXXXX";
  char errName[] = "/tmp/pixaldo-run-err-XXXXXX";
  int outFd = ::mkstemp(outName);
  int errFd = ::mkstemp(errName);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outFd, 1);
  posix_spawn_file_actions_adddup2(&actions, errFd, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  for (const auto& extra : extraEnv) {
    std::string key = extra.substr(0, extra.find('='));
    std::erase_if(env, [&](const std::string& existing) { return existing.rfind(key + "=", 0) == 0; });
    env.push_back(extra);
  }
  std::vector<char*> args, envp;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data()) == 0) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(outFd);
  ::close(errFd);
  result.out = ReadBytes(outName);
  result.err = ReadBytes(errName);
  ::unlink(outName);
  ::unlink(errName);
  return result;
}

CommandResult RunCli(const std::vector<std::string>& args) {
  std::vector<std::string> argv{PIXALDO_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  return Run(argv, {"LC_ALL=C"});
}

bool HaveProgram(const std::string& name) {
  return Run({"sh", "-c", "command -v " + name}).exitCode == 0;
}

}  // namespace pixaldo::test
