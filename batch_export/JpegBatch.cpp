#include "batch_export/JpegBatch.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

#include "exif/XmlText.h"
#include "iptc/IptcData.h"
#include "platform/Cp1250.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"
#include "platform/LocaleFormats.h"
#include "platform/OrderedWork.h"

namespace pixaldo {
namespace {

constexpr std::array<const char*, 22> kCsvHeader{
    "Filename",          "Size(kB)",     "Date",     "CameraMake",      "CameraModel",       "DateTime",
    "Width",             "Height",       "JpegQual", "Flash",           "FocalLength",       "FocalLengthin35mm",
    "ExposureTime",      "FNumber",      "ISOSpeedRatings", "ExposureBiasValue", "ExposureProgram", "Macro",
    "MeteringMode",      "IPTC Category", "IPTC Name", "IPTC Caption"};

// How an EXIF value is put into its column.
enum class Shape { AsIs, TrimLeft, Millimetres, Bias };
struct ExifColumn {
  const char* tag;
  Shape shape;
};
// The EXIF columns after make, model, date/time, width and height.
constexpr std::array<ExifColumn, 11> kExifColumns{{
    {"JpegQual", Shape::AsIs},
    {"Flash", Shape::AsIs},
    {"FocalLength", Shape::TrimLeft},
    {"FocalLengthin35mmFilm", Shape::Millimetres},
    {"ExposureTime", Shape::AsIs},
    {"FNumber", Shape::AsIs},
    {"ISOSpeedRatings", Shape::AsIs},
    {"ExposureBiasValue", Shape::Bias},
    {"ExposureProgram", Shape::AsIs},
    {"Macro", Shape::AsIs},
    {"MeteringMode", Shape::AsIs},
}};
constexpr std::size_t kExifValueCount = 5 + kExifColumns.size();
// The tags whose value text the columns take (the others are not formatted).
constexpr std::array<std::string_view, kExifColumns.size()> kFormattedTags = [] {
  std::array<std::string_view, kExifColumns.size()> names{};
  for (std::size_t i = 0; i < kExifColumns.size(); ++i) names[i] = kExifColumns[i].tag;
  return names;
}();
constexpr std::array<const char*, 3> kIptcColumns{"Category", "ObjectName", "ImageCaption"};

std::string ShapeValue(std::string value, Shape shape) {
  switch (shape) {
    case Shape::AsIs:
      return value;
    case Shape::TrimLeft: {
      std::size_t first = 0;
      while (first < value.size() && static_cast<unsigned char>(value[first]) <= ' ') ++first;
      return value.substr(first);
    }
    case Shape::Millimetres:
      // A file's own 35 mm entry already reads "35.00 mm"; only the computed
      // one (and an empty value) lacks the unit.
      if (value.size() >= 3 && value.compare(value.size() - 3, 3, " mm") == 0) return value;
      return value + " mm";
    case Shape::Bias:
      return TJpegBatch::BiasText(value);
  }
  return value;
}

std::string ReplaceLineBreaks(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += '|';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A decimal integer with an optional sign, nothing else.
std::optional<int64_t> ParseInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return negative ? -value : value;
}

// Lines written as they come, each ended by CR LF, in pieces of about 128 KB,
// so that the database is never held whole and the disk can start on it
// while the rest is made.
class LineWriter {
 public:
  explicit LineWriter(const std::filesystem::path& target) : file_(target) {}
  void operator()(std::string_view line) {
    pending_ += line;
    pending_ += "\r\n";
    if (pending_.size() >= kPiece) Flush();
  }
  void Commit() {
    Flush();
    file_.Commit();
  }

 private:
  static constexpr std::size_t kPiece = std::size_t(1) << 17;
  void Flush() {
    if (!pending_.empty()) file_.Write(pending_);
    pending_.clear();
  }
  AtomicFileWriter file_;
  std::string pending_;
};

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Makes a directory the process's current directory for a while, so that the
// listed bare names resolve inside it; the previous one comes back at the end.
class EnterDirectory {
 public:
  explicit EnterDirectory(const std::filesystem::path& directory) {
    if (directory.empty()) return;
    previous_ = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (previous_ < 0) throw FileError(directory, std::string("cannot note the current directory: ") + std::strerror(errno));
    if (::chdir(directory.c_str()) != 0) {
      int error = errno;
      ::close(previous_);
      throw FileError(directory, std::string("cannot open the directory: ") + std::strerror(error));
    }
  }
  ~EnterDirectory() {
    if (previous_ < 0) return;
    if (::fchdir(previous_) != 0) {
      // Nothing sensible is left to do; the names used later are absolute.
    }
    ::close(previous_);
  }
  EnterDirectory(const EnterDirectory&) = delete;
  EnterDirectory& operator=(const EnterDirectory&) = delete;

 private:
  int previous_ = -1;
};

}  // namespace

TJpegBatch::TJpegBatch(const JpegListing& fileList) : FileList(fileList) {}

TJpegBatch::~TJpegBatch() = default;

std::string TJpegBatch::XmlDeclaration() { return kXmlDeclaration; }

std::vector<std::string> TJpegBatch::CsvHeader() { return {kCsvHeader.begin(), kCsvHeader.end()}; }

TimgData& TJpegBatch::Container(unsigned worker) {
  if (worker == 0) return ImgData;
  while (WorkerData.size() < worker) WorkerData.push_back(std::make_unique<TimgData>(255));
  return *WorkerData[worker - 1];
}

void TJpegBatch::EachFileInOrder(const std::function<std::vector<std::string>(TimgData&, const std::filesystem::path&)>& rows,
                                 const std::function<void(std::string_view)>& sink) {
  EnterDirectory inside(FileList.Directory());
  // The threads take the files in runs, so that handing over the results
  // costs little next to reading the files: up to 64 files a run, fewer in
  // a small folder, so that every thread still gets several runs.
  const std::size_t count = FileList.FileCount();
  const std::size_t perRun = std::clamp<std::size_t>(count / (4 * std::size_t(WorkerCountFor(count))), 1, 64);
  const std::size_t runs = (count + perRun - 1) / perRun;
  const unsigned workers = Workers ? Workers : WorkerCountFor(runs);
  for (unsigned w = 0; w < workers; ++w) Container(w);  // made before the threads start
  RunOrdered<std::vector<std::string>>(
      runs, workers, std::size_t(workers) * 4,
      [&](std::size_t run, unsigned worker) {
        std::vector<std::string> lines;
        for (std::size_t i = run * perRun; i < std::min(count, (run + 1) * perRun); ++i) {
          std::vector<std::string> more = rows(Container(worker), std::filesystem::path(FileList.FileNameAt(i)));
          std::move(more.begin(), more.end(), std::back_inserter(lines));
        }
        return lines;
      },
      [&](const std::vector<std::string>& lines) {
        for (const std::string& line : lines) sink(line);
      });
}

void TJpegBatch::WriteXml(const std::function<void(std::string_view)>& sink) {
  sink(XmlDeclaration());
  sink("<Directory>");
  EachFileInOrder(XmlFragmentOf, sink);
  sink("</Directory>");
}

void TJpegBatch::WriteCsv(const std::function<void(std::string_view)>& sink) {
  sink(JoinCsvLine(CsvHeader()));
  EachFileInOrder(
      [](TimgData& data, const std::filesystem::path& name) {
        return std::vector<std::string>{JoinCsvLine(CsvRowOf(data, name))};
      },
      sink);
}

namespace {

std::vector<std::string> Collect(const std::function<void(const std::function<void(std::string_view)>&)>& write) {
  std::vector<std::string> lines;
  write([&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

void SaveLines(const std::filesystem::path& fileName,
               const std::function<void(const std::function<void(std::string_view)>&)>& write) {
  LineWriter writer(std::filesystem::absolute(fileName));
  write([&](std::string_view line) { writer(line); });
  writer.Commit();
}

}  // namespace

std::vector<std::string> TJpegBatch::XmlLines() {
  return Collect([this](const auto& sink) { WriteXml(sink); });
}

std::vector<std::string> TJpegBatch::CsvLines() {
  return Collect([this](const auto& sink) { WriteCsv(sink); });
}

void TJpegBatch::SaveXml(const std::filesystem::path& fileName) {
  SaveLines(fileName, [this](const auto& sink) { WriteXml(sink); });
}

void TJpegBatch::SaveCsv(const std::filesystem::path& fileName) {
  // Windows-1250 while every line fits it. A line that does not makes the
  // whole file UTF-8 behind a byte-order mark: the partial file is dropped
  // and the database written again.
  const std::filesystem::path target = std::filesystem::absolute(fileName);
  {
    LineWriter writer(target);
    bool fits = true;
    WriteCsv([&](std::string_view line) {
      if (!fits) return;
      Cp1250Result converted = Utf8ToCp1250(line);
      fits = converted.ok();
      if (fits) writer(converted.bytes);
    });
    if (fits) {
      writer.Commit();
      return;
    }
  }
  LineWriter writer(target);
  bool first = true;
  WriteCsv([&](std::string_view line) {
    writer(first ? std::string(kByteOrderMark) + std::string(line) : std::string(line));
    first = false;
  });
  writer.Commit();
}

std::vector<std::string> TJpegBatch::XmlFragment(const std::filesystem::path& fileName) {
  return XmlFragmentOf(ImgData, fileName);
}

std::vector<std::string> TJpegBatch::CsvRow(const std::filesystem::path& fileName) {
  return CsvRowOf(ImgData, fileName);
}

std::vector<std::string> TJpegBatch::XmlFragmentOf(TimgData& data, const std::filesystem::path& fileName) {
  data.ReadFile(fileName);
  data.ParseIptc();
  std::optional<std::vector<std::string>> lines = data.AsXmlDocument();
  return lines ? std::move(*lines) : std::vector<std::string>();
}

std::vector<std::string> TJpegBatch::CsvRowOf(TimgData& data, const std::filesystem::path& fileName) {
  std::vector<std::string> values;
  const FileFacts facts = LookAtFile(fileName);  // one look for the columns and the reading
  if (facts.exists) {
    values.push_back(fileName.filename().string());
    values.push_back(std::to_string(facts.regular ? facts.size / 1024 : 0));
    values.push_back(Cp1250ToUtf8(FormatShortDate(ToTimeT(facts.date))));
  }
  data.FormattedTags = kFormattedTags;
  const bool read = data.ReadFile(fileName, facts);
  data.FormattedTags = {};
  if (!read) return values;

  if (data.HasExif() && data.ExifInfo) {
    const TImageInfo& exif = *data.ExifInfo;
    values.insert(values.end(), {Cp1250ToUtf8(exif.CameraMake), Cp1250ToUtf8(exif.CameraModel),
                                 Cp1250ToUtf8(exif.DateTime), std::to_string(exif.Width), std::to_string(exif.Height)});
    for (const ExifColumn& column : kExifColumns)
      values.push_back(Cp1250ToUtf8(ShapeValue(exif.ValueOf(column.tag), column.shape)));
  } else {
    values.resize(values.size() + kExifValueCount);
  }

  if (data.HasIptc()) {
    data.ParseIptc();
    for (const char* name : kIptcColumns) values.push_back(ReplaceLineBreaks(data.IptcInfo->ValueOf(name, "")));
  } else {
    values.resize(values.size() + kIptcColumns.size());
  }
  return values;
}

std::string TJpegBatch::BiasText(std::string_view text) {
  std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) return {};
  std::optional<int64_t> numerator = ParseInteger(text.substr(0, slash));
  std::optional<int64_t> denominator = ParseInteger(text.substr(slash + 1));
  if (!numerator || !denominator || *denominator == 0) return {};
  // Tenths rounded half to even (the default rounding mode); a value that
  // rounds to zero is plain "0", never "-0".
  double tenths = std::nearbyint(10.0 * double(*numerator) / double(*denominator));
  if (tenths == 0.0) tenths = 0.0;
  return FormatFloat("%.15g", tenths / 10.0);
}

std::string TJpegBatch::JoinCsvLine(const std::vector<std::string>& values) {
  if (values.size() == 1 && values[0].empty()) return "\"\"";
  std::size_t length = values.size() * 3;  // commas and a pair of quotes each
  for (const std::string& value : values) length += value.size();
  std::string line;
  line.reserve(length);
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i) line += ',';
    const std::string& value = values[i];
    const bool quoted = std::any_of(value.begin(), value.end(), [](char c) {
      return static_cast<unsigned char>(c) <= 32 || c == '"' || c == ',';
    });
    if (!quoted) {
      line += value;
      continue;
    }
    line += '"';
    for (char c : value) {
      if (c == '"') line += '"';
      line += c;
    }
    line += '"';
  }
  return line;
}

}  // namespace pixaldo
