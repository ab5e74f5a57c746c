#pragma once
// A small corpus of photos made from scratch, so that a clone without the
// shared sample photos still runs the readers and writers on whole files:
// EXIF in both byte orders with GPS, a Canon maker note and a thumbnail,
// IPTC in Windows-1250 and in UTF-8, XMP, a comment, and damaged and
// truncated copies.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/IptcBlocks.h"

namespace pixaldo::test {

struct CorpusFile {
  std::string name;
  std::string bytes;
};

std::vector<CorpusFile> MakeCorpus();
// The bytes of one corpus file, by name ("exif-intel.jpg": EXIF with a
// thumbnail, IPTC, XMP and a comment, the photo most tests want).
std::string CorpusBytes(const std::string& name);
// "exif-intel.jpg" with a picture of another size (EXIF saying that size).
std::string CameraPhoto(uint16_t width, uint16_t height);
// Writes the corpus into `folder` (made when missing).
void WriteCorpus(const std::filesystem::path& folder);

// IPTC blocks (a dataset and an image resource: support/IptcBlocks.h): the
// APP13 segment of resources; the APP13 of one IPTC resource holding the
// datasets.
std::string PhotoshopSegment(const std::string& resources);
std::string IptcSegment(const std::string& datasets);

// Texts the corpus files carry, for the checks.
inline constexpr const char* kCorpusModel = "Canon EOS Corpus";
inline constexpr const char* kCorpusComment = "made for the tests";
inline constexpr const char* kCorpusTitleUtf8 = "Žluťoučký kůň";

}  // namespace pixaldo::test
