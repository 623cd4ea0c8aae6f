// Colour conversion with lcms2. Qt's QColorSpace reads only matrix-and-curve
// profiles and would silently treat a LUT-based one as sRGB; lcms2 reads every
// ICC profile kind and is the reference colour-managed viewers agree with.
#include "platform/colour_profile.h"

#include <lcms2.h>

#include <array>
#include <cmath>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include "platform/shared_library.h"

namespace zelmor {
namespace {

// lcms2 is opened on first use (shared_library.h says why); these are all the
// functions this file calls.
#define ZELMOR_LCMS_FUNCTIONS(X)          \
  X(library, cmsDeleteContext)            \
  X(library, cmsCloseProfile)             \
  X(library, cmsDeleteTransform)          \
  X(library, cmsFreeToneCurve)            \
  X(library, cmsCreateContext)            \
  X(library, cmsSetLogErrorHandlerTHR)    \
  X(library, cmsBuildParametricToneCurve) \
  X(library, cmsGetColorSpace)            \
  X(library, cmsIsMatrixShaper)           \
  X(library, cmsCreate_sRGBProfileTHR)    \
  X(library, cmsReadTag)                  \
  X(library, cmsEvalToneCurveFloat)       \
  X(library, cmsDoTransform)              \
  X(library, cmsCreateTransformTHR)       \
  X(library, cmsCreateRGBProfileTHR)      \
  X(library, cmsOpenProfileFromMemTHR)    \
  X(library, cmsBuildGamma)

struct LcmsFunctions {
  ZELMOR_LCMS_FUNCTIONS(ZELMOR_FUNCTION_POINTER)
};

// Nothing when lcms2 or one of its functions is missing.
const LcmsFunctions* Lcms() {
  static const std::optional<LcmsFunctions> functions = []() -> std::optional<LcmsFunctions> {
    const SharedLibrary library(ZELMOR_LCMS2_SONAME);
    LcmsFunctions table;
    if (library.IsOpen() ZELMOR_LCMS_FUNCTIONS(ZELMOR_RESOLVE_FUNCTION)) {
      return table;
    }
    return std::nullopt;
  }();
  return functions ? &*functions : nullptr;
}

// Only what lcms2 made is deleted, so it is loaded by then.
struct ContextDeleter {
  void operator()(cmsContext context) const { Lcms()->cmsDeleteContext(context); }
};
struct ProfileDeleter {
  void operator()(void* profile) const {
    Lcms()->cmsCloseProfile(static_cast<cmsHPROFILE>(profile));
  }
};
struct TransformDeleter {
  void operator()(void* transform) const {
    Lcms()->cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform));
  }
};
struct CurveDeleter {
  void operator()(cmsToneCurve* curve) const { Lcms()->cmsFreeToneCurve(curve); }
};
using Context = std::unique_ptr<std::remove_pointer_t<cmsContext>, ContextDeleter>;
using Profile = std::unique_ptr<void, ProfileDeleter>;
using Transform = std::unique_ptr<void, TransformDeleter>;
using Curve = std::unique_ptr<cmsToneCurve, CurveDeleter>;

// A conversion once worked out: nothing to do (the pixels are sRGB already),
// an lcms2 transform of BGRA rows, or a table from grey level to colour.
// Worked out once, it is applied to any number of pixels, such as the rows of
// a picture decoded a few at a time.
struct Step {
  Context context;      // what the transform was made in; outlives it
  Transform transform;  // declared after the context, so deleted before it
  std::optional<std::array<uint8_t, 256 * 3>> grey;

  void Apply(Bitmap& picture) const {
    if (transform) {
      for (int32_t y = 0; y < picture.height(); ++y) {
        uint8_t* row = picture.row(y);
        // lcms2 converts in place when both sides have the same layout.
        Lcms()->cmsDoTransform(transform.get(), row, row,
                               static_cast<cmsUInt32Number>(picture.width()));
      }
    } else if (grey) {
      // Taken from the green channel: the three are equal in a grey picture.
      for (int32_t y = 0; y < picture.height(); ++y) {
        uint8_t* p = picture.row(y);
        for (int32_t x = 0; x < picture.width(); ++x, p += 4) {
          const uint8_t* colour = &(*grey)[p[1] * 3];
          p[0] = colour[0];
          p[1] = colour[1];
          p[2] = colour[2];
        }
      }
    }
  }
};

// A context of its own per conversion keeps lcms2 from printing about
// damaged profiles and shares nothing between threads.
Context QuietContext(const LcmsFunctions& lcms) {
  Context context(lcms.cmsCreateContext(nullptr, nullptr));
  if (context) {
    lcms.cmsSetLogErrorHandlerTHR(context.get(), nullptr);
  }
  return context;
}

// The sRGB curve in lcms2's parametric form 4: Y = (aX + b)^g above d, cX below.
Curve SrgbCurve(const LcmsFunctions& lcms, cmsContext context) {
  const cmsFloat64Number parameters[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  return Curve(lcms.cmsBuildParametricToneCurve(context, 4, parameters));
}

bool Near(const cmsCIEXYZ& a, const cmsCIEXYZ& b) {
  constexpr double kTolerance = 0.002;
  return std::abs(a.X - b.X) < kTolerance && std::abs(a.Y - b.Y) < kTolerance &&
         std::abs(a.Z - b.Z) < kTolerance;
}

// True for a matrix-and-curve profile whose colorants and curves are those of
// sRGB to well under half a level: converting would change nothing visible and
// might move a level here and there, and plain sRGB pictures must come out as
// they were stored.
bool DescribesSrgb(const LcmsFunctions& lcms, cmsContext context, cmsHPROFILE profile) {
  if (lcms.cmsGetColorSpace(profile) != cmsSigRgbData || !lcms.cmsIsMatrixShaper(profile)) {
    return false;
  }
  const Profile srgb(lcms.cmsCreate_sRGBProfileTHR(context));
  const Curve srgbCurve = SrgbCurve(lcms, context);
  if (!srgb || !srgbCurve) {
    return false;
  }
  static constexpr cmsTagSignature kColorants[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                                    cmsSigBlueColorantTag};
  static constexpr cmsTagSignature kCurves[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag,
                                                 cmsSigBlueTRCTag};
  for (int i = 0; i < 3; ++i) {
    const auto* have = static_cast<const cmsCIEXYZ*>(lcms.cmsReadTag(profile, kColorants[i]));
    const auto* want = static_cast<const cmsCIEXYZ*>(lcms.cmsReadTag(srgb.get(), kColorants[i]));
    const auto* curve = static_cast<const cmsToneCurve*>(lcms.cmsReadTag(profile, kCurves[i]));
    if (have == nullptr || want == nullptr || curve == nullptr || !Near(*have, *want)) {
      return false;
    }
    for (int level = 0; level < 256; ++level) {
      const float x = static_cast<float>(level) / 255.0f;
      if (std::abs(lcms.cmsEvalToneCurveFloat(curve, x) -
                   lcms.cmsEvalToneCurveFloat(srgbCurve.get(), x)) > 0.25f / 255.0f) {
        return false;
      }
    }
  }
  return true;
}

// A grey profile maps one level to one grey: a table of 256 entries.
std::optional<Step> GreyStep(const LcmsFunctions& lcms, cmsContext context, cmsHPROFILE grey) {
  const Profile srgb(lcms.cmsCreate_sRGBProfileTHR(context));
  if (!srgb) {
    return std::nullopt;
  }
  const Transform transform(lcms.cmsCreateTransformTHR(
      context, grey, TYPE_GRAY_8, srgb.get(), TYPE_BGR_8, INTENT_RELATIVE_COLORIMETRIC, 0));
  if (!transform) {
    return std::nullopt;
  }
  std::array<uint8_t, 256> levels{};
  for (int i = 0; i < 256; ++i) {
    levels[i] = static_cast<uint8_t>(i);
  }
  Step step;
  step.grey.emplace();
  lcms.cmsDoTransform(transform.get(), levels.data(), step.grey->data(), 256);
  return step;
}

std::optional<Step> ProfileStep(const LcmsFunctions& lcms, cmsContext context,
                                cmsHPROFILE profile) {
  if (lcms.cmsGetColorSpace(profile) == cmsSigGrayData) {
    return GreyStep(lcms, context, profile);
  }
  if (lcms.cmsGetColorSpace(profile) != cmsSigRgbData) {
    return std::nullopt;
  }
  if (DescribesSrgb(lcms, context, profile)) {
    return Step{};
  }
  const Profile srgb(lcms.cmsCreate_sRGBProfileTHR(context));
  if (!srgb) {
    return std::nullopt;
  }
  Step step;
  step.transform.reset(lcms.cmsCreateTransformTHR(context, profile, TYPE_BGRA_8, srgb.get(),
                                                  TYPE_BGRA_8, INTENT_RELATIVE_COLORIMETRIC,
                                                  cmsFLAGS_COPY_ALPHA));
  if (!step.transform) {
    return std::nullopt;
  }
  return step;
}

// An RGB profile from chromaticities (white, red, green, blue x, y) and one
// curve for all three channels.
std::optional<Step> PrimariesStep(const LcmsFunctions& lcms, const std::array<double, 8>& xy,
                                  const Curve& curve, cmsContext context) {
  if (!curve) {
    return std::nullopt;
  }
  for (double value : xy) {
    if (!(value > 0 && value <= 1)) {
      return std::nullopt;
    }
  }
  const cmsCIExyY white = {xy[0], xy[1], 1.0};
  const cmsCIExyYTRIPLE primaries = {{xy[2], xy[3], 1.0}, {xy[4], xy[5], 1.0}, {xy[6], xy[7], 1.0}};
  cmsToneCurve* curves[3] = {curve.get(), curve.get(), curve.get()};
  const Profile profile(lcms.cmsCreateRGBProfileTHR(context, &white, &primaries, curves));
  if (!profile) {
    return std::nullopt;  // primaries that span no colour space
  }
  return ProfileStep(lcms, context, profile.get());
}

// PrimariesStep for a curve and a context of the caller's, the step then
// keeping the context its transform was made in.
std::optional<Step> OwningPrimariesStep(const LcmsFunctions& lcms, const std::array<double, 8>& xy,
                                        Curve curve, Context context) {
  std::optional<Step> step = PrimariesStep(lcms, xy, curve, context.get());
  curve.reset();  // made in the context, so freed before it may go
  if (step) {
    step->context = std::move(context);
  }
  return step;
}

constexpr std::array<double, 8> kSrgbChromaticities = {0.3127, 0.3290, 0.64, 0.33,
                                                       0.30,   0.60,   0.15, 0.06};


// The step to sRGB from an ICC profile; nothing for one that cannot be read
// or is of another colour space.
std::optional<Step> IccStep(std::span<const uint8_t> iccProfile) {
  const LcmsFunctions* loaded = Lcms();
  if (loaded == nullptr || iccProfile.empty()) {
    return std::nullopt;
  }
  const LcmsFunctions& lcms = *loaded;
  Context context = QuietContext(lcms);
  if (!context) {
    return std::nullopt;
  }
  const Profile profile(lcms.cmsOpenProfileFromMemTHR(
      context.get(), iccProfile.data(), static_cast<cmsUInt32Number>(iccProfile.size())));
  if (!profile) {
    return std::nullopt;
  }
  std::optional<Step> step = ProfileStep(lcms, context.get(), profile.get());
  if (step) {
    step->context = std::move(context);
  }
  return step;
}

// The step to sRGB for the colour chunks of a PNG file.
std::optional<Step> PngStep(const PngColourChunks& chunks) {
  if (chunks.srgb) {
    return Step{};
  }
  if (!chunks.gamma && !chunks.chromaticities) {
    return Step{};
  }
  const LcmsFunctions* loaded = Lcms();
  if (loaded == nullptr) {
    return std::nullopt;
  }
  const LcmsFunctions& lcms = *loaded;
  Context context = QuietContext(lcms);
  if (!context) {
    return std::nullopt;
  }
  Curve curve;
  if (chunks.gamma) {
    if (*chunks.gamma == 0) {
      return std::nullopt;
    }
    // gAMA holds the encoding exponent; decoding raises to its inverse.
    curve.reset(lcms.cmsBuildGamma(context.get(), 100000.0 / *chunks.gamma));
  } else {
    curve = SrgbCurve(lcms, context.get());
  }
  std::array<double, 8> xy = kSrgbChromaticities;
  if (chunks.chromaticities) {
    for (std::size_t i = 0; i < xy.size(); ++i) {
      xy[i] = (*chunks.chromaticities)[i] / 100000.0;
    }
  }
  return OwningPrimariesStep(lcms, xy, std::move(curve), std::move(context));
}

// The step to sRGB for H.273 colour primaries and transfer characteristics.
std::optional<Step> CicpStep(const CicpColour& cicp) {
  std::array<double, 8> xy{};
  switch (cicp.primaries) {
    case 1:  // BT.709, the primaries of sRGB
    case 2:  // unspecified
      xy = kSrgbChromaticities;
      break;
    case 4:  // BT.470 M
      xy = {0.310, 0.316, 0.67, 0.33, 0.21, 0.71, 0.14, 0.08};
      break;
    case 5:  // BT.470 B/G, BT.601 625 lines
      xy = {0.3127, 0.3290, 0.64, 0.33, 0.29, 0.60, 0.15, 0.06};
      break;
    case 6:  // BT.601 525 lines
    case 7:  // SMPTE 240M
      xy = {0.3127, 0.3290, 0.630, 0.340, 0.310, 0.595, 0.155, 0.070};
      break;
    case 8:  // generic film
      xy = {0.310, 0.316, 0.681, 0.319, 0.243, 0.692, 0.145, 0.049};
      break;
    case 9:  // BT.2020
      xy = {0.3127, 0.3290, 0.708, 0.292, 0.170, 0.797, 0.131, 0.046};
      break;
    case 11:  // DCI-P3
      xy = {0.314, 0.351, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060};
      break;
    case 12:  // Display P3
      xy = {0.3127, 0.3290, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060};
      break;
    case 22:  // EBU Tech. 3213-E
      xy = {0.3127, 0.3290, 0.630, 0.340, 0.295, 0.605, 0.155, 0.077};
      break;
    default:
      return std::nullopt;
  }
  // Images with these curves are shown with the sRGB curve by browsers; with
  // sRGB primaries there is then nothing to do, and lcms2 stays unloaded.
  const bool srgbCurve = cicp.transfer == 1 || cicp.transfer == 6 || cicp.transfer == 14 ||
                         cicp.transfer == 15 || cicp.transfer == 2 || cicp.transfer == 13;
  if (srgbCurve && (cicp.primaries == 1 || cicp.primaries == 2)) {
    return Step{};
  }
  const LcmsFunctions* loaded = Lcms();
  if (loaded == nullptr) {
    return std::nullopt;
  }
  const LcmsFunctions& lcms = *loaded;
  Context context = QuietContext(lcms);
  if (!context) {
    return std::nullopt;
  }
  Curve curve;
  switch (cicp.transfer) {
    case 1:   // BT.709
    case 6:   // BT.601
    case 14:  // BT.2020 10-bit
    case 15:  // BT.2020 12-bit
    case 2:   // unspecified
    case 13:  // sRGB
      curve = SrgbCurve(lcms, context.get());
      break;
    case 4:  // gamma 2.2
      curve.reset(lcms.cmsBuildGamma(context.get(), 2.2));
      break;
    case 5:  // gamma 2.8
      curve.reset(lcms.cmsBuildGamma(context.get(), 2.8));
      break;
    case 8:  // linear
      curve.reset(lcms.cmsBuildGamma(context.get(), 1.0));
      break;
    default:
      return std::nullopt;
  }
  return OwningPrimariesStep(lcms, xy, std::move(curve), std::move(context));
}

// The step for whatever `colour` calls for: its ICC profile first, then PNG
// chunks, then H.273 codes; nothing to do when they fail or say nothing.
Step PictureStep(const PictureColour& colour) {
  std::optional<Step> step;
  if (!colour.iccProfile.empty()) {
    step = IccStep(colour.iccProfile);
  }
  if (!step && colour.png) {
    step = PngStep(*colour.png);
  } else if (!step && colour.cicp) {
    step = CicpStep(*colour.cicp);
  }
  return step ? std::move(*step) : Step{};
}

// Applies `step` to `picture` when there is one: true, else false with the
// picture untouched.
bool ApplyStep(const std::optional<Step>& step, Bitmap& picture) {
  if (!step) {
    return false;
  }
  step->Apply(picture);
  return true;
}

}  // namespace

bool ConvertToSrgb(Bitmap& picture, std::span<const uint8_t> iccProfile) {
  return !picture.empty() && ApplyStep(IccStep(iccProfile), picture);
}

bool ConvertPngColourToSrgb(Bitmap& picture, const PngColourChunks& chunks) {
  return !picture.empty() && ApplyStep(PngStep(chunks), picture);
}

bool ConvertCicpToSrgb(Bitmap& picture, const CicpColour& cicp) {
  return !picture.empty() && ApplyStep(CicpStep(cicp), picture);
}

void ConvertPictureColourToSrgb(Bitmap& picture, const PictureColour& colour) {
  SrgbConversion(colour).Apply(picture);
}

struct SrgbConversion::Impl {
  Step step;
};

SrgbConversion::SrgbConversion(const PictureColour& colour)
    : impl_(std::make_unique<Impl>(Impl{PictureStep(colour)})) {}

SrgbConversion::~SrgbConversion() = default;

void SrgbConversion::Apply(Bitmap& pixels) const {
  if (!pixels.empty()) {
    impl_->step.Apply(pixels);
  }
}

}  // namespace zelmor
