#pragma once
// The keywords a folder's photos carry, gathered for completion while
// typing: every distinct keyword once, sorted. A photo that cannot be read
// adds none.
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

namespace pixaldo {

// Reads the photos in turn; a `stop` set meanwhile ends the reading with
// what was gathered so far.
std::vector<std::string> KeywordsOfPhotos(const std::vector<std::filesystem::path>& photos,
                                          const std::atomic<bool>& stop);

}  // namespace pixaldo
