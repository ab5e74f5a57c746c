#include "photo_record/FolderKeywords.h"

#include <set>

#include "photo_record/JpegBasicObject.h"

namespace pixaldo {

std::vector<std::string> KeywordsOfPhotos(const std::vector<std::filesystem::path>& photos,
                                          const std::atomic<bool>& stop) {
  std::set<std::string> keywords;
  for (const std::filesystem::path& photo : photos) {
    if (stop) break;
    try {
      TJpegBasicObject record(photo);
      record.ReadTags();
      keywords.insert(record.IptcFields.Keywords.begin(), record.IptcFields.Keywords.end());
    } catch (const std::exception&) {
      // a damaged or vanished photo has nothing to offer
    }
  }
  return {keywords.begin(), keywords.end()};
}

}  // namespace pixaldo
