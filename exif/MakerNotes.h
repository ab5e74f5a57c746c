#pragma once
// Maker notes of eight camera makers: recognising the maker from the camera
// make, choosing its tag table and note layout, and walking the note's
// directory with the reader's own routine. The Canon camera settings, shot
// information and custom functions are further split into single entries.
#include <array>
#include <string>

#include "exif/ExifData.h"

namespace pixaldo {

class TmsInfo {
 public:
  TmsInfo(bool isTiff, TImageInfo* owner) : IsTiff(isTiff), Owner(owner) {}

  // Recognises the maker and decodes the owner's MakerNote into its tag
  // list (Group 1). False, with nothing decoded, for an unknown maker.
  bool ReadMakerNote();

  bool IsTiff = false;
  TImageInfo* Owner = nullptr;
};

// The reader whose maker note is being decoded (the Canon decoders add their
// entries to it); null outside a decode.
TImageInfo* CurrentMakerReader();

// The Canon decoders, attached to their table rows. They add entries to the
// current reader and return the text unchanged.
std::string DecodeCanonCameraSettings(const std::string& text);
std::string DecodeCanonShotInformation(const std::string& text);
std::string DecodeCanonCustomFunctions(const std::string& text);

extern const std::array<MakerTagRow, 11> NikonOldTagTable;
extern const std::array<MakerTagRow, 28> NikonTagTable;
extern const std::array<MakerTagRow, 33> OlympusTagTable;
extern const std::array<MakerTagRow, 26> CasioTagTable;
extern const std::array<MakerTagRow, 18> FujifilmTagTable;
extern const std::array<MakerTagRow, 16> CanonTagTable;
extern const std::array<MakerTagRow, 12> SeikoTagTable;
extern const std::array<MakerTagRow, 6> SanyoTagTable;
extern const std::array<MakerTagRow, 2> MinoltaTagTable;

}  // namespace pixaldo
