#include "support/FaultSweep.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "platform/FileError.h"
#include "platform/FileSystem.h"

namespace pixaldo::test {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& name : names) out += (out.empty() ? "" : ", ") + name;
  return out;
}

// Always turns the failure off again, whatever the operation throws.
struct FaultScope {
  explicit FaultScope(int step) {
    FaultInjection::Reset();
    FaultInjection::FailAt(step);
  }
  ~FaultScope() { FaultInjection::Reset(); }
};

void RestoreFiles(const std::map<fs::path, std::optional<std::string>>& files) {
  for (const auto& [file, bytes] : files) {
    std::error_code ignored;
    if (!bytes) {
      fs::remove(file, ignored);
      continue;
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << *bytes;
  }
}

}  // namespace

FaultSweepResult FaultSweep::Run() const {
  FaultSweepResult result;
  std::map<fs::path, std::optional<std::string>> before;
  for (const auto& file : watched) before[file] = Contents(file);
  std::map<fs::path, std::vector<std::string>> listings;
  for (const auto& folder : folders) listings[folder] = Entries(folder);

  auto problem = [&result](int step, const std::string& text) {
    result.problems.push_back("failure at step " + std::to_string(step) + ": " + text);
  };

  for (int step = 1; step <= maxRuns; ++step) {
    std::optional<FileError> error;
    int operations = 0;
    std::optional<FaultInjection::Step> failedStep;
    {
      FaultScope scope(step);
      try {
        operation();
      } catch (const FileError& thrown) {
        error = thrown;
      } catch (const std::exception& thrown) {
        problem(step, std::string("threw something other than FileError: ") + thrown.what());
      }
      operations = FaultInjection::OperationsSoFar();
      failedStep = FaultInjection::FailedStep();
    }

    if (!error) {
      if (operations >= step) problem(step, "the operation met the failure and still reported success");
      if (operations == 0 && std::any_of(before.begin(), before.end(),
                                         [](const auto& file) { return Contents(file.first) != file.second; }))
        problem(step, "the files were written without going through the file layer");
      result.operations = operations;
      result.finished = true;
      return result;
    }
    ++result.failedRuns;
    if (operations < step)
      problem(step, "FileError without meeting the injected failure: " + std::string(error->what()));
    if (std::none_of(watched.begin(), watched.end(), [&](const fs::path& file) { return error->path() == file; }))
      problem(step, "the error names " + error->path().string() + ", none of the files written");
    bool damaged = false;
    // A folder that cannot be flushed after the rename: the new file is
    // already in place and the error says so. The old bytes are put back for
    // the next run.
    if (failedStep == FaultInjection::Step::SyncFolder) RestoreFiles(before);
    for (const auto& [file, bytes] : before) {
      const std::optional<std::string> now = Contents(file);
      if (now == bytes) continue;
      damaged = true;
      problem(step, file.filename().string() + (bytes ? (now ? " was changed" : " was removed") : " was created"));
    }
    for (const auto& [folder, names] : listings) {
      const std::vector<std::string> now = Entries(folder);
      if (now == names) continue;
      damaged = true;
      problem(step, "the folder " + folder.string() + " holds " + Joined(now) + " instead of " + Joined(names));
    }
    // Later runs would start from the damaged files: the first such run tells enough.
    if (damaged) return result;
  }
  problem(maxRuns, "every run failed; the operation never got through");
  return result;
}

}  // namespace pixaldo::test
