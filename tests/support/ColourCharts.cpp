#include "support/ColourCharts.h"

#include "support/TestSupport.h"

#include <jpeglib.h>
#include <lcms2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace pixaldo::test {
namespace {

struct PrimariesRow {
  ChartProfile profile;
  cmsCIExyY white;
  cmsCIExyYTRIPLE primaries;
  double gamma;  // 0: the sRGB curve
};

constexpr cmsCIExyY kD65{0.3127, 0.3290, 1.0};
constexpr cmsCIExyY kD50{0.3457, 0.3585, 1.0};

constexpr std::array<PrimariesRow, 6> kRgbProfiles{{
    {ChartProfile::Srgb, kD65, {{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}}, 0},
    {ChartProfile::AdobeRgb, kD65, {{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}}, 563.0 / 256},
    {ChartProfile::DisplayP3, kD65, {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}}, 0},
    {ChartProfile::ProPhotoRgb, kD50, {{0.7347, 0.2653, 1}, {0.1596, 0.8404, 1}, {0.0366, 0.0001, 1}}, 1.8},
    {ChartProfile::WideGamutRgb, kD50, {{0.7347, 0.2653, 1}, {0.1152, 0.8264, 1}, {0.1566, 0.0177, 1}}, 563.0 / 256},
    {ChartProfile::SwappedRgb, kD65, {{0.30, 0.60, 1}, {0.64, 0.33, 1}, {0.15, 0.06, 1}}, 0},
}};

struct ProfileCloser {
  void operator()(void* profile) const {
    if (profile) cmsCloseProfile(profile);
  }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

Profile Open(const std::string& bytes) {
  Profile profile(cmsOpenProfileFromMem(bytes.data(), cmsUInt32Number(bytes.size())));
  if (!profile) throw std::runtime_error("lcms2 cannot open a test profile");
  return profile;
}

cmsToneCurve* Curve(double gamma) {
  if (gamma > 0) return cmsBuildGamma(nullptr, gamma);
  const double srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  return cmsBuildParametricToneCurve(nullptr, 4, srgb);
}

void Describe(cmsHPROFILE profile, const char* text) {
  cmsMLU* mlu = cmsMLUalloc(nullptr, 1);
  cmsMLUsetASCII(mlu, "en", "US", text);
  cmsWriteTag(profile, cmsSigProfileDescriptionTag, mlu);
  cmsMLUfree(mlu);
}

// The chart CMYK space: inks as simple filters of a slightly warm paper.
int CmykToLab(const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) {
  const double c = in[0] / 65535.0, m = in[1] / 65535.0, y = in[2] / 65535.0, k = in[3] / 65535.0;
  const double rgb[3] = {0.97 * (1 - 0.95 * c) * (1 - 0.9 * k), 0.96 * (1 - 0.9 * m) * (1 - 0.9 * k),
                         0.92 * (1 - 0.85 * y) * (1 - 0.9 * k)};
  cmsCIELab lab;
  cmsDoTransform(static_cast<cmsHTRANSFORM>(cargo), rgb, &lab, 1);
  cmsFloat2LabEncoded(out, &lab);
  return 1;
}

Profile Cmyk() {
  Profile profile(cmsCreateProfilePlaceholder(nullptr));
  cmsSetProfileVersion(profile.get(), 4.3);
  cmsSetDeviceClass(profile.get(), cmsSigOutputClass);
  cmsSetColorSpace(profile.get(), cmsSigCmykData);
  cmsSetPCS(profile.get(), cmsSigLabData);
  Profile srgb(cmsCreate_sRGBProfile());
  Profile lab(cmsCreateLab4Profile(nullptr));
  cmsHTRANSFORM toLab =
      cmsCreateTransform(srgb.get(), TYPE_RGB_DBL, lab.get(), TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
  cmsPipeline* lut = cmsPipelineAlloc(nullptr, 4, 3);
  cmsStage* grid = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
  cmsStageSampleCLut16bit(grid, CmykToLab, toLab, 0);
  // A lutAtoBType holds curves on both sides of the grid (here flat ones).
  cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(nullptr, 4, nullptr));
  cmsPipelineInsertStage(lut, cmsAT_END, grid);
  cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
  cmsWriteTag(profile.get(), cmsSigAToB0Tag, lut);
  cmsWriteTag(profile.get(), cmsSigMediaWhitePointTag, cmsD50_XYZ());
  Describe(profile.get(), "Chart CMYK");
  cmsPipelineFree(lut);
  cmsDeleteTransform(toLab);
  return profile;
}

Profile Rgb(const PrimariesRow& row) {
  cmsToneCurve* curve = Curve(row.gamma);
  cmsToneCurve* curves[3] = {curve, curve, curve};
  Profile profile(cmsCreateRGBProfile(&row.white, &row.primaries, curves));
  cmsFreeToneCurve(curve);
  return profile;
}

Profile Made(ChartProfile which) {
  for (const PrimariesRow& row : kRgbProfiles)
    if (row.profile == which) return Rgb(row);
  switch (which) {
    case ChartProfile::Cmyk:
      return Cmyk();
    case ChartProfile::Lab: {
      Profile lab(cmsCreateLab4Profile(nullptr));
      cmsSetDeviceClass(lab.get(), cmsSigColorSpaceClass);
      return lab;
    }
    case ChartProfile::DeviceLink: {
      Profile srgb(cmsCreate_sRGBProfile());
      cmsHTRANSFORM t =
          cmsCreateTransform(srgb.get(), TYPE_RGB_8, srgb.get(), TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
      Profile link(cmsTransform2DeviceLink(t, 4.3, 0));
      cmsDeleteTransform(t);
      return link;
    }
    case ChartProfile::Grey: {
      cmsToneCurve* curve = cmsBuildGamma(nullptr, 1.0);
      Profile grey(cmsCreateGrayProfile(cmsD50_xyY(), curve));
      cmsFreeToneCurve(curve);
      return grey;
    }
    default:
      throw std::logic_error("no such chart profile");
  }
}

cmsUInt32Number FormatOf(int components, bool invertedCmyk) {
  if (components == 1) return TYPE_GRAY_8;
  if (components == 4) return invertedCmyk ? TYPE_CMYK_8_REV : TYPE_CMYK_8;
  return TYPE_RGB_8;
}

}  // namespace

std::string BuildProfile(ChartProfile which) {
  Profile profile = Made(which);
  if (which != ChartProfile::Cmyk && which != ChartProfile::Lab && which != ChartProfile::DeviceLink)
    Describe(profile.get(), "Chart profile");
  cmsUInt32Number size = 0;
  if (!cmsSaveProfileToMem(profile.get(), nullptr, &size)) throw std::runtime_error("lcms2 cannot save a test profile");
  std::string bytes(size, '\0');
  cmsSaveProfileToMem(profile.get(), bytes.data(), &size);
  return bytes;
}

Pixels SrgbChart(int width, int height) {
  Pixels chart{width, height, 3, std::vector<uint8_t>(size_t(width) * height * 3)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &chart.bytes[(size_t(y) * width + x) * 3];
      const double hue = 6.0 * x / width;
      const double light = double(y) / std::max(1, height - 1);
      for (int c = 0; c < 3; ++c) {
        // A hue wheel from black through full colours to white, down the rows.
        const double h = std::fmod(hue + 2.0 * c, 6.0);
        const double full = std::clamp(std::abs(h - 3.0) - 1.0, 0.0, 1.0);
        const double v = light < 0.5 ? full * light * 2 : full + (1 - full) * (light - 0.5) * 2;
        p[c] = uint8_t(std::lround(v * 255));
      }
    }
  return chart;
}

Pixels CmykChart(int width, int height) {
  Pixels chart{width, height, 4, std::vector<uint8_t>(size_t(width) * height * 4)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &chart.bytes[(size_t(y) * width + x) * 4];
      p[0] = uint8_t(x * 255 / std::max(1, width - 1));
      p[1] = uint8_t(y * 255 / std::max(1, height - 1));
      p[2] = uint8_t(((x / 8 + y / 8) % 4) * 85);
      p[3] = uint8_t((x + y) % 64 * 2);
    }
  return chart;
}

Pixels ConvertWithLcms(const Pixels& pixels, const std::string& from, const std::string& to, bool invertedCmyk) {
  const Profile source = Open(from);
  const Profile target = Open(to);
  cmsHTRANSFORM transform =
      cmsCreateTransform(source.get(), FormatOf(pixels.components, invertedCmyk), target.get(), TYPE_RGB_8,
                         INTENT_PERCEPTUAL, cmsFLAGS_BLACKPOINTCOMPENSATION);
  if (!transform) throw std::runtime_error("lcms2 cannot convert between the test profiles");
  Pixels out{pixels.width, pixels.height, 3, std::vector<uint8_t>(size_t(pixels.width) * pixels.height * 3)};
  cmsDoTransform(transform, pixels.bytes.data(), out.bytes.data(), cmsUInt32Number(pixels.width * pixels.height));
  cmsDeleteTransform(transform);
  return out;
}

std::string EncodeJpeg(const Pixels& pixels) {
  const size_t stride = size_t(pixels.width) * size_t(pixels.components);
  return EncodeJpegRows({.width = pixels.width, .height = pixels.height, .hSampling = 1, .vSampling = 1, .quality = 100},
                        pixels.components, [&](int y, uint8_t* row) {
                          const uint8_t* source = &pixels.bytes[stride * size_t(y)];
                          for (size_t i = 0; i < stride; ++i)
                            row[i] = pixels.components == 4 ? uint8_t(255 - source[i]) : source[i];
                        });
}

Pixels DecodeStored(const std::string& jpeg) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&cinfo);
  Pixels out{int(cinfo.output_width), int(cinfo.output_height), cinfo.output_components, {}};
  const size_t stride = size_t(out.width) * out.components;
  out.bytes.resize(stride * out.height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = &out.bytes[stride * cinfo.output_scanline];
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return out;
}

std::string IccSegment(int sequence, int count, const std::string& data) {
  std::string payload("ICC_PROFILE\0", 12);
  payload += char(sequence);
  payload += char(count);
  payload += data;
  const size_t length = payload.size() + 2;
  return std::string{char(0xFF), char(0xE2), char(length >> 8), char(length & 0xFF)} + payload;
}

std::vector<std::string> IccSegments(const std::string& profile, size_t piece) {
  const int count = int((profile.size() + piece - 1) / piece);
  std::vector<std::string> segments;
  for (int i = 0; i < count; ++i) segments.push_back(IccSegment(i + 1, count, profile.substr(size_t(i) * piece, piece)));
  return segments;
}

double MeanError(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 1.0;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
  return sum / double(a.size()) / 255.0;
}

}  // namespace pixaldo::test
