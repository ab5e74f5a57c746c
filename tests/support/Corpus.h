#pragma once
// A small corpus of photos made from scratch, so that a clone without the
// shared sample photos still runs the readers and writers on whole files:
// EXIF in both byte orders with GPS, a Canon maker note and a thumbnail,
// IPTC in Windows-1250 and in UTF-8, XMP, a comment, and damaged and
// truncated copies.
#include <filesystem>
#include <string>
#include <vector>

namespace pixaldo::test {

struct CorpusFile {
  std::string name;
  std::string bytes;
};

std::vector<CorpusFile> MakeCorpus();
// Writes the corpus into `folder` (made when missing).
void WriteCorpus(const std::filesystem::path& folder);

// Texts the corpus files carry, for the checks.
inline constexpr const char* kCorpusModel = "Canon EOS Corpus";
inline constexpr const char* kCorpusComment = "made for the tests";
inline constexpr const char* kCorpusTitleUtf8 = "Žluťoučký kůň";

}  // namespace pixaldo::test
