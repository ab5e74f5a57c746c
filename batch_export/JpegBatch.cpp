#include "batch_export/JpegBatch.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "exif/XmlText.h"
#include "iptc/IptcData.h"
#include "platform/Cp1250.h"
#include "platform/FileError.h"
#include "platform/FileSystem.h"
#include "platform/LocaleFormats.h"

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

void WriteLines(const std::filesystem::path& target, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  WriteFileAtomic(target, text);
}

// The CSV lines (UTF-8 text) as the file holds them: Windows-1250 while every
// character fits it, otherwise the whole file UTF-8 behind a byte-order mark.
std::vector<std::string> CsvFileLines(std::vector<std::string> lines) {
  std::vector<std::string> cp1250;
  for (const std::string& line : lines) {
    Cp1250Result converted = Utf8ToCp1250(line);
    if (!converted.ok()) {
      if (!lines.empty()) lines.front().insert(0, "\xEF\xBB\xBF");
      return lines;
    }
    cp1250.push_back(std::move(converted.bytes));
  }
  return cp1250;
}

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

std::string TJpegBatch::XmlDeclaration() { return kXmlDeclaration; }

std::vector<std::string> TJpegBatch::CsvHeader() { return {kCsvHeader.begin(), kCsvHeader.end()}; }

template <typename Build>
std::vector<std::string> TJpegBatch::LinesInDirectory(Build build) {
  EnterDirectory inside(FileList.Directory());
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < FileList.FileCount(); ++i) build(std::filesystem::path(FileList.FileNameAt(i)), lines);
  return lines;
}

std::vector<std::string> TJpegBatch::XmlLines() {
  std::vector<std::string> lines{XmlDeclaration(), "<Directory>"};
  std::vector<std::string> rows = LinesInDirectory([this](const std::filesystem::path& name, auto& out) {
    std::vector<std::string> fragment = XmlFragment(name);
    out.insert(out.end(), fragment.begin(), fragment.end());
  });
  lines.insert(lines.end(), rows.begin(), rows.end());
  lines.push_back("</Directory>");
  return lines;
}

std::vector<std::string> TJpegBatch::CsvLines() {
  std::vector<std::string> lines{JoinCsvLine(CsvHeader())};
  std::vector<std::string> rows = LinesInDirectory(
      [this](const std::filesystem::path& name, auto& out) { out.push_back(JoinCsvLine(CsvRow(name))); });
  lines.insert(lines.end(), rows.begin(), rows.end());
  return lines;
}

void TJpegBatch::SaveXml(const std::filesystem::path& fileName) {
  std::filesystem::path target = std::filesystem::absolute(fileName);
  WriteLines(target, XmlLines());
}

void TJpegBatch::SaveCsv(const std::filesystem::path& fileName) {
  std::filesystem::path target = std::filesystem::absolute(fileName);
  WriteLines(target, CsvFileLines(CsvLines()));
}

std::vector<std::string> TJpegBatch::XmlFragment(const std::filesystem::path& fileName) {
  ImgData.ReadFile(fileName);
  ImgData.ParseIptc();
  std::optional<std::vector<std::string>> lines = ImgData.AsXmlDocument();
  return lines ? std::move(*lines) : std::vector<std::string>();
}

std::vector<std::string> TJpegBatch::CsvRow(const std::filesystem::path& fileName) {
  std::vector<std::string> values;
  std::error_code error;
  std::filesystem::file_status status = std::filesystem::status(fileName, error);
  if (!error && std::filesystem::exists(status)) {
    uintmax_t size = std::filesystem::is_regular_file(status) ? std::filesystem::file_size(fileName, error) : 0;
    std::optional<FileTime> date = GetFileDate(fileName);
    values.push_back(fileName.filename().string());
    values.push_back(std::to_string(error ? 0 : size / 1024));
    values.push_back(date ? Cp1250ToUtf8(FormatShortDate(ToTimeT(*date))) : std::string());
  }
  if (!ImgData.ReadFile(fileName)) return values;

  if (ImgData.HasExif() && ImgData.ExifInfo) {
    const TImageInfo& exif = *ImgData.ExifInfo;
    values.insert(values.end(), {Cp1250ToUtf8(exif.CameraMake), Cp1250ToUtf8(exif.CameraModel),
                                 Cp1250ToUtf8(exif.DateTime), std::to_string(exif.Width), std::to_string(exif.Height)});
    for (const ExifColumn& column : kExifColumns)
      values.push_back(Cp1250ToUtf8(ShapeValue(exif.ValueOf(column.tag), column.shape)));
  } else {
    values.resize(values.size() + kExifValueCount);
  }

  if (ImgData.HasIptc()) {
    ImgData.ParseIptc();
    for (const char* name : kIptcColumns) values.push_back(ReplaceLineBreaks(ImgData.IptcInfo->ValueOf(name, "")));
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
  std::string line;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i) line += ',';
    const std::string& value = values[i];
    bool quoted = false;
    for (char c : value) quoted = quoted || static_cast<unsigned char>(c) <= 32 || c == '"' || c == ',';
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
