#include "colour/ColourEngine.h"

#include <lcms2.h>

#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <mutex>
#include <string_view>
#include <thread>
#include <tuple>

namespace pixaldo {

struct CmykToScreen::Transform {
  cmsHTRANSFORM handle = nullptr;
  explicit Transform(cmsHTRANSFORM h) : handle(h) {}
  ~Transform() { cmsDeleteTransform(handle); }
  Transform(const Transform&) = delete;
  Transform& operator=(const Transform&) = delete;
};

namespace {

using Transform = CmykToScreen::Transform;

void Silent(cmsContext, cmsUInt32Number, const char*) {}

// Grey pixels held as R = G = B: the first of each three is read, the other
// two skipped.
constexpr cmsUInt32Number kGreyInRgb = COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(2);

// Adobe RGB (1998): its primaries, D65 white and a pure gamma of 563/256.
constexpr cmsCIExyY kD65{0.3127, 0.3290, 1.0};
constexpr cmsCIExyYTRIPLE kAdobePrimaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
constexpr double kAdobeGamma = 563.0 / 256.0;

// The largest difference from sRGB that still counts as sRGB: the
// colorants in XYZ, the curves in parts of full scale.
constexpr double kColorantTolerance = 0.002;
constexpr double kCurveTolerance = 0.5 / 255;

// Bitmaps of at least this many pixels are converted by two threads.
constexpr size_t kTwoThreadPixels = size_t(1) << 18;

struct ProfileCloser {
  void operator()(void* profile) const {
    if (profile) cmsCloseProfile(profile);
  }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

// A source or screen profile by identity: sRGB, the built-in Adobe RGB, or
// the bytes of a profile (by hash and size).
struct ProfileId {
  enum Kind { Srgb, AdobeRgb, Bytes } kind = Srgb;
  size_t hash = 0;
  size_t size = 0;
  const std::string* bytes = nullptr;
  auto Key() const { return std::tuple(int(kind), hash, size); }
};

ProfileId IdOf(const std::string* bytes) {
  if (!bytes) return {};
  return {ProfileId::Bytes, std::hash<std::string_view>()(*bytes), bytes->size(), bytes};
}

// The profile and pixel layout a bitmap of the picture is read with.
struct BitmapSource {
  ProfileId profile;
  cmsUInt32Number format = TYPE_RGB_8;
};

BitmapSource SourceOfBitmap(const ColourSource& source) {
  if (source.kind == ColourSourceKind::ExifAdobeRgb) return {{ProfileId::AdobeRgb}, TYPE_RGB_8};
  if (source.kind != ColourSourceKind::Embedded || !source.profile) return {};
  if (source.components == 3) return {IdOf(source.profile.get()), TYPE_RGB_8};
  if (source.components == 1) return {IdOf(source.profile.get()), kGreyInRgb};
  return {};  // CMYK the decoder did not convert: drawn as sRGB
}

struct Found {
  std::shared_ptr<const Transform> transform;  // null: the pixels stay as they are
  bool refused = false;                        // lcms2 could not use the source profile
};

class Engine {
 public:
  static Engine& Get() {
    static Engine engine;
    return engine;
  }

  Found Find(const BitmapSource& source, const ColourTarget& target) {
    const ProfileId screen = IdOf(target.screenProfile.get());
    const auto key = std::tuple(source.profile.Key(), screen.Key(), int(target.intent),
                                target.blackPointCompensation, source.format);
    const std::lock_guard lock(mutex_);
    if (auto it = cache_.find(key); it != cache_.end()) return it->second;
    if (cache_.size() > kMaxCached) cache_.clear();
    Found found = Make(source, screen, target);
    cache_.emplace(key, found);
    return found;
  }

  Profile Open(const ProfileId& id) const {
    switch (id.kind) {
      case ProfileId::Srgb:
        return Profile(cmsCreate_sRGBProfileTHR(context_));
      case ProfileId::AdobeRgb:
        return AdobeRgb();
      case ProfileId::Bytes:
        return Profile(cmsOpenProfileFromMemTHR(context_, id.bytes->data(), cmsUInt32Number(id.bytes->size())));
    }
    return {};
  }

 private:
  static constexpr size_t kMaxCached = 64;

  Engine() : context_(cmsCreateContext(nullptr, nullptr)) {
    cmsSetLogErrorHandler(Silent);
    cmsSetLogErrorHandlerTHR(context_, Silent);
    srgb_ = Profile(cmsCreate_sRGBProfileTHR(context_));
  }

  Profile AdobeRgb() const {
    cmsToneCurve* gamma = cmsBuildGamma(context_, kAdobeGamma);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    Profile profile(cmsCreateRGBProfileTHR(context_, &kD65, &kAdobePrimaries, curves));
    cmsFreeToneCurve(gamma);
    return profile;
  }

  // The screen profile, or sRGB when there is none or it is no RGB
  // profile to draw to.
  Profile Screen(const ProfileId& id) const {
    if (id.kind == ProfileId::Bytes) {
      Profile screen = Open(id);
      if (screen && cmsGetColorSpace(screen.get()) == cmsSigRgbData &&
          cmsGetDeviceClass(screen.get()) != cmsSigLinkClass && cmsGetDeviceClass(screen.get()) != cmsSigAbstractClass)
        return screen;
    }
    return Profile(cmsCreate_sRGBProfileTHR(context_));
  }

  Found Make(const BitmapSource& source, const ProfileId& screenId, const ColourTarget& target) {
    Profile screen = Screen(screenId);
    Profile from = Open(source.profile);
    if (!from || !screen) return {nullptr, true};
    const bool srgbSource = source.profile.kind == ProfileId::Srgb || (source.format == TYPE_RGB_8 && IsSrgb(from.get()));
    if (srgbSource && IsSrgb(screen.get())) return {};
    cmsUInt32Number flags = cmsFLAGS_NOCACHE;
    if (target.blackPointCompensation) flags |= cmsFLAGS_BLACKPOINTCOMPENSATION;
    cmsHTRANSFORM handle = cmsCreateTransformTHR(context_, from.get(), source.format, screen.get(), TYPE_RGB_8,
                                                 cmsUInt32Number(target.intent), flags);
    if (handle) return {std::make_shared<const Transform>(handle)};
    if (source.profile.kind == ProfileId::Srgb) return {nullptr, true};
    // lcms2 refused the source: drawn as sRGB.
    Found asSrgb = Make({}, screenId, target);
    asSrgb.refused = true;
    return asSrgb;
  }

  // Whether the profile is sRGB in all but name: its colorants and curves
  // those of sRGB.
  bool IsSrgb(cmsHPROFILE profile) const {
    if (cmsGetColorSpace(profile) != cmsSigRgbData || !cmsIsMatrixShaper(profile)) return false;
    constexpr std::array<cmsTagSignature, 3> colorants{cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                                       cmsSigBlueColorantTag};
    constexpr std::array<cmsTagSignature, 3> curves{cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    for (size_t c = 0; c < 3; ++c) {
      const auto* ours = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb_.get(), colorants[c]));
      const auto* theirs = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, colorants[c]));
      if (!ours || !theirs || std::abs(ours->X - theirs->X) > kColorantTolerance ||
          std::abs(ours->Y - theirs->Y) > kColorantTolerance || std::abs(ours->Z - theirs->Z) > kColorantTolerance)
        return false;
      const auto* ourCurve = static_cast<const cmsToneCurve*>(cmsReadTag(srgb_.get(), curves[c]));
      const auto* theirCurve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, curves[c]));
      if (!ourCurve || !theirCurve) return false;
      for (int step = 0; step <= 64; ++step) {
        const float v = float(step) / 64;
        if (std::abs(cmsEvalToneCurveFloat(ourCurve, v) - cmsEvalToneCurveFloat(theirCurve, v)) > kCurveTolerance)
          return false;
      }
    }
    return true;
  }

  cmsContext context_;
  Profile srgb_;
  std::mutex mutex_;
  std::map<std::tuple<std::tuple<int, size_t, size_t>, std::tuple<int, size_t, size_t>, int, bool, cmsUInt32Number>,
           Found>
      cache_;
};

Found FindForBitmap(const PictureColour& colour) {
  if (!colour.target.enabled || colour.onScreen) return {};
  const BitmapSource source = SourceOfBitmap(colour.source);
  // sRGB on an sRGB screen: nothing to do, nothing to load.
  if (source.profile.kind == ProfileId::Srgb && !colour.target.screenProfile) return {};
  return Engine::Get().Find(source, colour.target);
}

// Header fields of a profile, as the metadata window names them.
struct SignatureName {
  std::string_view signature;
  std::string_view name;
};
constexpr std::array<SignatureName, 7> kClassNames{{{"mntr", "Display"},
                                                    {"scnr", "Input"},
                                                    {"prtr", "Output"},
                                                    {"link", "Device link"},
                                                    {"spac", "Colour space"},
                                                    {"abst", "Abstract"},
                                                    {"nmcl", "Named colour"}}};
constexpr std::array<SignatureName, 6> kSpaceNames{{{"RGB ", "RGB"},
                                                    {"CMYK", "CMYK"},
                                                    {"GRAY", "Grey"},
                                                    {"Lab ", "Lab"},
                                                    {"XYZ ", "XYZ"},
                                                    {"YCbr", "YCbCr"}}};
constexpr size_t kVersionPosition = 8;
constexpr size_t kClassPosition = 12;
constexpr size_t kSpacePosition = 16;

template <size_t N>
std::string NameOf(const std::array<SignatureName, N>& table, std::string_view signature) {
  for (const SignatureName& row : table)
    if (row.signature == signature) return std::string(row.name);
  return std::string(signature);
}

std::string VersionOf(std::string_view profile) {
  const auto major = uint8_t(profile[kVersionPosition]);
  const auto minor = uint8_t(profile[kVersionPosition + 1]);
  return std::to_string(major) + "." + std::to_string(minor >> 4) + "." + std::to_string(minor & 0x0F);
}

}  // namespace

void ConvertToScreen(uint8_t* rgb, size_t count, const PictureColour& colour) {
  const Found found = FindForBitmap(colour);
  if (!found.transform) return;
  // lcms2 counts pixels in 32 bits: very large bitmaps go in pieces.
  const auto convert = [&found](uint8_t* pixels, size_t length) {
    constexpr size_t kPiece = size_t(1) << 30;
    for (size_t done = 0; done < length; done += kPiece)
      cmsDoTransform(found.transform->handle, pixels + done * 3, pixels + done * 3,
                     cmsUInt32Number(std::min(kPiece, length - done)));
  };
  // A screenful is shared with a second thread where there is a core for it
  // (the transform holds no state of its own between pixels).
  if (count < kTwoThreadPixels || std::thread::hardware_concurrency() < 2) return convert(rgb, count);
  const size_t half = count / 2;
  std::thread second(convert, rgb, half);
  convert(rgb + half * 3, count - half);
  second.join();
}

bool ChangesColours(const PictureColour& colour) { return FindForBitmap(colour).transform != nullptr; }

std::unique_ptr<CmykToScreen> CmykToScreen::For(const ColourSource& source, const ColourTarget& target,
                                                bool inverted) {
  if (!target.enabled || source.kind != ColourSourceKind::Embedded || source.components != 4 || !source.profile)
    return nullptr;
  const Found found = Engine::Get().Find({IdOf(source.profile.get()), cmsUInt32Number(inverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8)}, target);
  if (!found.transform || found.refused) return nullptr;
  return std::make_unique<CmykToScreen>(found.transform);
}

void CmykToScreen::Row(const uint8_t* cmyk, uint8_t* rgb, size_t width) const {
  cmsDoTransform(transform_->handle, cmyk, rgb, cmsUInt32Number(width));
}

std::string ProfileDescription(const std::string& profile) {
  const Profile handle = Engine::Get().Open(IdOf(&profile));
  if (!handle) return {};
  std::array<char, 256> text{};
  if (cmsGetProfileInfoASCII(handle.get(), cmsInfoDescription, "en", "US", text.data(), cmsUInt32Number(text.size())) == 0)
    return {};
  return std::string(text.data());
}

std::vector<std::pair<std::string, std::string>> IccRows(const ColourSource& source) {
  std::vector<std::pair<std::string, std::string>> rows;
  if (!source.profile && source.problem.empty()) return rows;
  std::string problem = source.problem;
  if (const std::string* profile = source.profile.get()) {
    rows.emplace_back("Profile description", ProfileDescription(*profile));
    rows.emplace_back("Profile class", NameOf(kClassNames, std::string_view(*profile).substr(kClassPosition, 4)));
    rows.emplace_back("Colour space", NameOf(kSpaceNames, std::string_view(*profile).substr(kSpacePosition, 4)));
    rows.emplace_back("Profile version", VersionOf(*profile));
    rows.emplace_back("Profile size", std::to_string(profile->size()) + " bytes");
    if (problem.empty() && source.kind == ColourSourceKind::Embedded) {
      const cmsUInt32Number format =
          source.components == 4 ? TYPE_CMYK_8 : SourceOfBitmap(source).format;
      if (Engine::Get().Find({IdOf(profile), format}, ColourTarget{}).refused)
        problem = "lcms2 cannot convert with the profile";
    }
  }
  if (!problem.empty()) rows.emplace_back("Not usable", "The profile was not usable: " + problem);
  return rows;
}

std::string ColourSourceName(const ColourSource& source) {
  switch (source.kind) {
    case ColourSourceKind::Embedded:
      return ProfileDescription(*source.profile);
    case ColourSourceKind::ExifSrgb:
      return "sRGB (EXIF)";
    case ColourSourceKind::ExifAdobeRgb:
      return "Adobe RGB (EXIF)";
    default:
      return {};
  }
}

bool UsableScreenProfile(const std::string& profile) {
  const Profile handle = Engine::Get().Open(IdOf(&profile));
  return handle && cmsGetColorSpace(handle.get()) == cmsSigRgbData &&
         cmsGetDeviceClass(handle.get()) != cmsSigLinkClass && cmsGetDeviceClass(handle.get()) != cmsSigAbstractClass;
}

}  // namespace pixaldo
