// Embedded colour profiles and PNG colour chunks, converted to sRGB before
// the picture leaves LoadPictureFile. Profiles are made with lcms2 here, and
// lcms2's own relative-colorimetric transform is the reference.
#include <gtest/gtest.h>
#include <lcms2.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/colour_profile.h"
#include "platform/imaging.h"
#include "tests/support/library_picture_writer.h"
#include "tests/support/picture_chunks.h"
#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::MakeBitmap;
using testing::PixelAt;
using testing::SameBytes;
using testing::TempDir;
using Bytes = std::vector<uint8_t>;

struct ProfileCloser {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

Bytes Save(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  Bytes bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  return bytes;
}

const cmsCIExyY kD65 = {0.3127, 0.3290, 1.0};

Profile MatrixProfile(const cmsCIExyYTRIPLE& primaries, double gamma) {
  cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
  cmsToneCurve* curves[3] = {curve, curve, curve};
  Profile profile(cmsCreateRGBProfile(&kD65, &primaries, curves));
  cmsFreeToneCurve(curve);
  return profile;
}

// sRGB's primaries with red and green exchanged: pure red shows as green.
Profile SwappedProfile() {
  return MatrixProfile({{0.30, 0.60, 1.0}, {0.64, 0.33, 1.0}, {0.15, 0.06, 1.0}}, 2.2);
}

// A wide gamut of Adobe RGB's primaries and curve.
Profile AdobeLikeProfile() {
  return MatrixProfile({{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}}, 2.2);
}

// The Adobe-like space as a LUT profile: its transform to Lab baked into an
// AToB table, then marked as an input profile.
Profile LutProfile() {
  const Profile adobe = AdobeLikeProfile();
  const Profile lab(cmsCreateLab4Profile(nullptr));
  cmsHTRANSFORM transform = cmsCreateTransform(adobe.get(), TYPE_RGB_16, lab.get(), TYPE_Lab_16,
                                               INTENT_RELATIVE_COLORIMETRIC, 0);
  Profile link(cmsTransform2DeviceLink(transform, 4.3, 0));
  cmsDeleteTransform(transform);
  cmsSetDeviceClass(link.get(), cmsSigInputClass);
  cmsSetPCS(link.get(), cmsSigLabData);
  return link;
}

// lcms2's relative-colorimetric conversion of `picture` from `profile` to
// sRGB, 8 bits BGRA, alpha copied. The profile is taken as stored in a file
// (a stored curve is rounded, a gamma of 2.2 becomes 563 / 256).
Bitmap Reference(const Bitmap& picture, cmsHPROFILE inMemory) {
  const Bytes bytes = Save(inMemory);
  const Profile stored(
      cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size())));
  cmsHPROFILE profile = stored.get();
  Bitmap out = MakeBitmap(picture.width(), picture.height(),
                          [&picture](int32_t x, int32_t y) { return PixelAt(picture, x, y); });
  const Profile srgb(cmsCreate_sRGBProfile());
  cmsHTRANSFORM transform = cmsCreateTransform(profile, TYPE_BGRA_8, srgb.get(), TYPE_BGRA_8,
                                               INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_COPY_ALPHA);
  for (int32_t y = 0; y < out.height(); ++y) {
    cmsDoTransform(transform, out.row(y), out.row(y), static_cast<cmsUInt32Number>(out.width()));
  }
  cmsDeleteTransform(transform);
  return out;
}

// Every colour channel within `tolerance`, alpha exactly equal.
void ExpectNear(const Bitmap& got, const Bitmap& want, int tolerance, const std::string& what) {
  ASSERT_EQ(got.width(), want.width()) << what;
  ASSERT_EQ(got.height(), want.height()) << what;
  int worst = 0;
  for (int32_t y = 0; y < got.height(); ++y) {
    for (int32_t x = 0; x < got.width(); ++x) {
      const uint32_t a = PixelAt(got, x, y);
      const uint32_t b = PixelAt(want, x, y);
      ASSERT_EQ(a >> 24, b >> 24) << what << " alpha at " << x << "," << y;
      for (int shift = 0; shift < 24; shift += 8) {
        worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                         static_cast<int>((b >> shift) & 0xFF)));
      }
    }
  }
  EXPECT_LE(worst, tolerance) << what;
}

// 32 x 32 through the colour cube, with some translucent pixels.
Bitmap Gradient() {
  return MakeBitmap(32, 32, [](int32_t x, int32_t y) {
    const uint32_t alpha = y < 28 ? 0xFF : 0x80;
    return alpha << 24 | uint32_t(x * 8 + 4) << 16 | uint32_t(y * 8 + 4) << 8 |
           uint32_t((x + y) * 4 + 2);
  });
}

Bitmap Load(const std::string& path) {
  std::optional<Bitmap> picture = LoadPictureFile(path);
  EXPECT_TRUE(picture.has_value()) << path;
  return picture ? std::move(*picture) : Bitmap(1, 1);
}

// ---- Profiles embedded in each format ----

// Writes `picture` to `path` as `format` with `profile` embedded (or none for
// an empty one). False when no tool here writes that combination.
bool WriteWithProfile(const Bitmap& picture, const std::string& format, const Bytes& profile,
                      const std::string& path) {
  if (format == "png") {
    Bytes png = testing::EncodePng(picture);
    if (!profile.empty()) {
      png = testing::InsertPngChunk(png, "iCCP", testing::IccpChunkData(profile));
    }
    testing::WriteBytes(path, png);
    return true;
  }
  if (format == "jpg") {
    TempDir dir;
    const std::string plain = dir.File("plain.jpg");
    if (!testing::WritePicture(picture, plain, "jpg")) {
      return false;
    }
    Bytes jpeg = testing::ReadBytes(plain);
    if (!profile.empty()) {
      jpeg = testing::InsertJpegIccProfile(jpeg, profile, 3);  // split as long ones are
    }
    testing::WriteBytes(path, jpeg);
    return true;
  }
  if (format == "heic" || format == "avif") {
    testing::LibraryPictureOptions options;
    options.iccProfile = profile;
    return format == "heic" ? testing::WriteHeic(picture, path, options)
                            : testing::WriteAvif(picture, path, options);
  }
  if (format == "jxl") {
    return testing::WriteJxl(picture, path, profile);
  }
  // WebP and TIFF through Pillow, lossless, from a PNG of the picture.
  if (std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0) {
    return false;
  }
  TempDir dir;
  const std::string source = dir.File("source.png");
  const std::string icc = dir.File("profile.icc");
  testing::WriteBytes(source, testing::EncodePng(picture));
  testing::WriteBytes(icc, profile);
  const std::string script =
      "import sys\nfrom PIL import Image\n"
      "im = Image.open(sys.argv[1])\n"
      "icc = open(sys.argv[2], 'rb').read()\n"
      "extra = {'icc_profile': icc} if icc else {}\n"
      "if sys.argv[4] == 'webp': im.save(sys.argv[3], 'WEBP', lossless=True, exact=True, **extra)\n"
      "else: im.save(sys.argv[3], 'TIFF', **extra)\n";
  const std::string scriptPath = dir.File("write.py");
  testing::WriteBytes(scriptPath, {script.begin(), script.end()});
  const std::string command = "/usr/bin/python3 '" + scriptPath + "' '" + source + "' '" + icc +
                              "' '" + path + "' " + format;
  return std::system(command.c_str()) == 0;
}

struct ProfileCase {
  const char* name;
  Profile (*make)();
};

class EmbeddedProfileTest : public ::testing::TestWithParam<const char*> {};

// For each profile kind, the picture as decoded with the profile is lcms2's
// conversion of the same file decoded without it.
TEST_P(EmbeddedProfileTest, ConvertsAsLcmsDoes) {
  const std::string format = GetParam();
  const ImagingSession session;
  TempDir dir;
  const Bitmap picture = Gradient();
  const std::string plainPath = dir.File("plain." + format);
  if (!WriteWithProfile(picture, format, {}, plainPath)) {
    GTEST_SKIP() << "no writer for " << format << " here";
  }
  const Bitmap plain = Load(plainPath);
  const ProfileCase cases[] = {
      {"swapped", SwappedProfile}, {"adobe-like", AdobeLikeProfile}, {"lut", LutProfile}};
  for (const ProfileCase& c : cases) {
    const Profile profile = c.make();
    const std::string path = dir.File(std::string(c.name) + "." + format);
    ASSERT_TRUE(WriteWithProfile(picture, format, Save(profile.get()), path)) << c.name;
    ExpectNear(Load(path), Reference(plain, profile.get()), 2, format + " " + c.name);
  }
}

// A picture in sRGB comes out byte for byte as stored, with or without an
// sRGB profile; a profile lcms2 cannot read is ignored.
TEST_P(EmbeddedProfileTest, SrgbAndBrokenProfilesLeavePixelsAsStored) {
  const std::string format = GetParam();
  const ImagingSession session;
  TempDir dir;
  const Bitmap picture = Gradient();
  const std::string plainPath = dir.File("plain." + format);
  if (!WriteWithProfile(picture, format, {}, plainPath)) {
    GTEST_SKIP() << "no writer for " << format << " here";
  }
  const Bitmap plain = Load(plainPath);
  const Profile srgb(cmsCreate_sRGBProfile());
  Bytes broken = Save(AdobeLikeProfile().get());
  broken.resize(broken.size() / 2);
  const std::string srgbPath = dir.File("srgb." + format);
  ASSERT_TRUE(WriteWithProfile(picture, format, Save(srgb.get()), srgbPath));
  EXPECT_TRUE(SameBytes(Load(srgbPath), plain)) << "sRGB profile";
  const std::string brokenPath = dir.File("broken." + format);
  if (WriteWithProfile(picture, format, broken, brokenPath) && LoadPictureFile(brokenPath)) {
    EXPECT_TRUE(SameBytes(Load(brokenPath), plain)) << "broken profile";
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, EmbeddedProfileTest,
                         ::testing::Values("png", "jpg", "webp", "tiff", "heic", "avif", "jxl"),
                         [](const auto& info) { return std::string(info.param); });

TEST(EmbeddedProfileTest, SwappedPrimariesVisiblySwapRedAndGreen) {
  const ImagingSession session;
  TempDir dir;
  const Bitmap red = MakeBitmap(4, 4, [](int32_t, int32_t) { return 0xFFFF0000u; });
  const std::string path = dir.File("swapped.png");
  ASSERT_TRUE(WriteWithProfile(red, "png", Save(SwappedProfile().get()), path));
  const uint32_t got = PixelAt(Load(path), 1, 1);
  EXPECT_LT((got >> 16) & 0xFF, 40u) << std::hex << got;
  EXPECT_GT((got >> 8) & 0xFF, 220u) << std::hex << got;
}

TEST(EmbeddedProfileTest, GreyProfileOnGreyPicture) {
  const ImagingSession session;
  TempDir dir;
  const Bitmap grey = MakeBitmap(16, 16, [](int32_t x, int32_t y) {
    const uint32_t level = static_cast<uint32_t>(y * 16 + x);
    return 0xFF000000u | level * 0x010101u;
  });
  cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
  const Profile profile(cmsCreateGrayProfile(cmsD50_xyY(), linear));
  cmsFreeToneCurve(linear);
  const std::string path = dir.File("grey.png");
  ASSERT_TRUE(WriteWithProfile(grey, "png", Save(profile.get()), path));
  const Bitmap got = Load(path);
  const Profile srgb(cmsCreate_sRGBProfile());
  cmsHTRANSFORM transform = cmsCreateTransform(profile.get(), TYPE_GRAY_8, srgb.get(), TYPE_BGR_8,
                                               INTENT_RELATIVE_COLORIMETRIC, 0);
  for (int level = 0; level < 256; ++level) {
    const uint8_t in = static_cast<uint8_t>(level);
    uint8_t want[3];
    cmsDoTransform(transform, &in, want, 1);
    const uint32_t pixel = PixelAt(got, level % 16, level / 16);
    EXPECT_EQ(pixel, 0xFF000000u | uint32_t{want[2]} << 16 | uint32_t{want[1]} << 8 | want[0])
        << "level " << level;
  }
  cmsDeleteTransform(transform);
}

// ---- PNG colour chunks ----

Bytes Big32(uint32_t value) {
  return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
          static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

Bytes ChrmData(const std::vector<uint32_t>& values) {
  Bytes out;
  for (uint32_t value : values) {
    const Bytes b = Big32(value);
    out.insert(out.end(), b.begin(), b.end());
  }
  return out;
}

TEST(PngColourChunkTest, ChunksDecideTheConversion) {
  const ImagingSession session;
  TempDir dir;
  const Bitmap picture = Gradient();
  const Bytes png = testing::EncodePng(picture);
  const Bitmap plain = Load([&] {
    const std::string path = dir.File("plain.png");
    testing::WriteBytes(path, png);
    return path;
  }());
  const Bytes swappedChrm = ChrmData({31270, 32900, 30000, 60000, 64000, 33000, 15000, 6000});
  const auto with = [&](std::vector<std::pair<const char*, Bytes>> chunks) {
    Bytes out = png;
    for (const auto& [type, data] : chunks) {
      out = testing::InsertPngChunk(out, type, data);
    }
    const std::string path = dir.File("chunks.png");
    testing::WriteBytes(path, out);
    return Load(path);
  };
  const cmsCIExyYTRIPLE srgbPrimaries = {{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};

  // The sRGB chunk wins over a gAMA that disagrees (PNG asks writers to add
  // a matching gAMA; readers that know sRGB take sRGB).
  EXPECT_TRUE(SameBytes(with({{"gAMA", Big32(100000)}, {"sRGB", {0}}}), plain));
  // gAMA alone: a pure power curve on sRGB's primaries, as browsers show it.
  ExpectNear(with({{"gAMA", Big32(100000)}}),
             Reference(plain, MatrixProfile(srgbPrimaries, 1.0).get()), 2, "gAMA 1.0");
  ExpectNear(with({{"gAMA", Big32(45455)}}),
             Reference(plain, MatrixProfile(srgbPrimaries, 100000.0 / 45455).get()), 2,
             "gAMA 1/2.2");
  // cHRM with gAMA: both from the file.
  ExpectNear(with({{"gAMA", Big32(45455)}, {"cHRM", swappedChrm}}),
             Reference(plain, SwappedProfile().get()), 2, "cHRM swapped");
  // An iCCP profile takes precedence over the other chunks.
  ExpectNear(with({{"gAMA", Big32(100000)},
                   {"iCCP", testing::IccpChunkData(Save(AdobeLikeProfile().get()))}}),
             Reference(plain, AdobeLikeProfile().get()), 2, "iCCP with gAMA");
  // A chunk whose checksum is wrong is dropped, as libpng drops it.
  Bytes badCrc = testing::InsertPngChunk(png, "gAMA", Big32(100000));
  badCrc[33 + 12 + 3] ^= 0xFF;
  const std::string badPath = dir.File("bad-crc.png");
  testing::WriteBytes(badPath, badCrc);
  EXPECT_TRUE(SameBytes(Load(badPath), plain));
}

TEST(ConvertToSrgbTest, KeepsAlphaAndRefusesWhatItCannotRead) {
  Bitmap picture = Gradient();
  const Profile adobe = AdobeLikeProfile();
  ASSERT_TRUE(ConvertToSrgb(picture, Save(adobe.get())));
  ExpectNear(picture, Reference(Gradient(), adobe.get()), 0, "direct call");

  Bitmap untouched = Gradient();
  const Profile lab(cmsCreateLab4Profile(nullptr));
  EXPECT_FALSE(ConvertToSrgb(untouched, Bytes{1, 2, 3, 4}));
  EXPECT_FALSE(ConvertToSrgb(untouched, Save(lab.get())));
  EXPECT_TRUE(SameBytes(untouched, Gradient()));
}

}  // namespace
}  // namespace zelmor
