#pragma once
// The directory database: the metadata of every listed file of a directory
// written into one XML document or one comma-separated text file (one row per
// picture). Each file is read once, pictures are never decoded. The files
// are read on one thread a core (each with its own reused container) and the
// rows written in list order as they are made, into a temporary file that
// replaces the target at the end. Lines end with CR LF, the last one included.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "exif/ExifData.h"
#include "file_list/JpegListing.h"

namespace pixaldo {

class TJpegBatch {
 public:
  // The files exported are the listing's names, in its order.
  explicit TJpegBatch(const JpegListing& fileList);
  ~TJpegBatch();
  TJpegBatch(const TJpegBatch&) = delete;
  TJpegBatch& operator=(const TJpegBatch&) = delete;

  // Threads that read the files; 0 (the default) for one a processor core,
  // 1 to read them all on the calling thread. The output is the same.
  void SetWorkerCount(unsigned count) { Workers = count; }

  // Write the database to `fileName` (replacing it). The listed names are
  // resolved inside the listing's directory. Throws FileError when the
  // directory cannot be entered or the target cannot be written; the target
  // is then left as it was.
  void SaveXml(const std::filesystem::path& fileName);
  void SaveCsv(const std::filesystem::path& fileName);

  // The whole documents as lines (without line ends), as SaveXml writes them;
  // the CSV lines as UTF-8 text, which SaveCsv stores in Windows-1250 while
  // every character fits it, otherwise as UTF-8 behind a byte-order mark.
  std::vector<std::string> XmlLines();
  std::vector<std::string> CsvLines();

  static std::string XmlDeclaration();
  // One file's XML row (the container's one-file dump of it, with an IPTC
  // part that is empty for files without IPTC data). Empty when the file no
  // longer exists: such a file is left out of the database.
  std::vector<std::string> XmlFragment(const std::filesystem::path& fileName);

  // The 22 column names.
  static std::vector<std::string> CsvHeader();
  // One file's values (UTF-8 text): none for a file that no longer exists; the three
  // file-system values alone for a file the container does not accept;
  // otherwise all 22.
  std::vector<std::string> CsvRow(const std::filesystem::path& fileName);
  // An exposure bias "n/d" as its value rounded to tenths ("-1/3" -> "-0.3"),
  // with the user's decimal separator; empty when it cannot be converted.
  static std::string BiasText(std::string_view text);
  // The values joined by commas; a value holding a character of code 0 to 32,
  // a double quote or a comma is quoted with its quotes doubled; a line of
  // exactly one empty value is written as two double quotes.
  static std::string JoinCsvLine(const std::vector<std::string>& values);

 private:
  using LineSink = std::function<void(std::string_view)>;
  void WriteXml(const LineSink& sink);
  void WriteCsv(const LineSink& sink);
  // The lines rows() makes of each listed file, handed to sink in list order.
  void EachFileInOrder(const std::function<std::vector<std::string>(TimgData&, const std::filesystem::path&)>& rows,
                       const LineSink& sink);
  static std::vector<std::string> XmlFragmentOf(TimgData& data, const std::filesystem::path& fileName);
  static std::vector<std::string> CsvRowOf(TimgData& data, const std::filesystem::path& fileName);
  // The container of a worker thread (0: the calling thread's).
  TimgData& Container(unsigned worker);

  TimgData ImgData{255};
  std::vector<std::unique_ptr<TimgData>> WorkerData;
  unsigned Workers = 0;
  const JpegListing& FileList;
};

}  // namespace pixaldo
