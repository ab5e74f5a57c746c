#pragma once
// Photos whose colours are defined by a profile, made for the colour tests:
// profiles built with lcms2 from their published primaries, white points
// and tone curves, a test chart converted into them, JPEG files that carry
// the profile in APP2 chunks, and lcms2's own conversion to compare with.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pixaldo::test {

enum class ChartProfile {
  Srgb,
  AdobeRgb,
  DisplayP3,
  ProPhotoRgb,
  WideGamutRgb,
  Cmyk,        // a small CMYK output profile: a CLUT from CMYK to Lab
  SwappedRgb,  // sRGB with its red and green colorants exchanged
  Lab,         // an abstract Lab identity: no colour space of a picture
  DeviceLink,  // sRGB to sRGB as a device link
  Grey,        // linear grey
};

// The profile's bytes as lcms2 saves it.
std::string BuildProfile(ChartProfile profile);

// Pixels with their layout: 1 (grey), 3 (RGB) or 4 (CMYK) bytes a pixel.
struct Pixels {
  int width = 0;
  int height = 0;
  int components = 3;
  std::vector<uint8_t> bytes;
};

// A chart in sRGB: hue sweeps by lightness, saturated patches, a grey ramp.
Pixels SrgbChart(int width, int height);
// A chart in CMYK: sweeps of each ink over the others.
Pixels CmykChart(int width, int height);

// lcms2's conversion of the pixels from one profile (of their layout) to an
// RGB profile, perceptual with black-point compensation as the viewer's
// default. `invertedCmyk` reads CMYK as Adobe stores it.
Pixels ConvertWithLcms(const Pixels& pixels, const std::string& from, const std::string& to,
                       bool invertedCmyk = false);

struct JpegSpec;
// A JPEG whose rows `fillRow(y, row)` writes: 1 (grey), 3 (RGB) or 4 (CMYK)
// bytes a pixel (MakeJpeg's encoder).
std::string EncodeJpegRows(const JpegSpec& spec, int components, const std::function<void(int, uint8_t*)>& fillRow);

// A JPEG of the pixels at quality 100 without subsampling; CMYK is stored
// inverted behind an Adobe marker, as Photoshop does.
std::string EncodeJpeg(const Pixels& pixels);
// The stored values as libjpeg decodes them (CMYK as stored, inverted).
Pixels DecodeStored(const std::string& jpeg);

// APP2 ICC_PROFILE segments of the profile in pieces of at most `piece`
// bytes, numbered 1..n of n.
std::vector<std::string> IccSegments(const std::string& profile, size_t piece = 65519);
// One APP2 ICC_PROFILE segment with the given numbers and data.
std::string IccSegment(int sequence, int count, const std::string& data);

// Mean absolute difference of two RGB bitmaps as a share of full scale.
double MeanError(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

}  // namespace pixaldo::test
