// Writes the seed corpora of the fuzz targets: valid inputs of every form the
// targets take, so that fuzzing starts deep inside the decoders instead of at
// their first check. Usage: make_seed_corpus <folder>; one subfolder per target.
#include <lcms2.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "encoding/ico_format.h"
#include "encoding/icon_image.h"
#include "encoding/palette.h"
#include "tests/support/bmp_file.h"
#include "tests/support/ico_builder.h"
#include "tests/support/library_picture_writer.h"
#include "tests/support/picture_chunks.h"
#include "tests/support/picture_writer.h"
#include "tests/support/raw_png.h"
#include "tests/support/svg_documents.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tga_file.h"

namespace {

using zelmor::Bitmap;
using zelmor::testing::BitmapEntryBuilder;
using zelmor::testing::IcoBuilder;
using zelmor::testing::MakeBitmap;
namespace fs = std::filesystem;

// Colours that change along both axes, with every kind of alpha: opaque,
// clear, and both sides of the mask's threshold.
Bitmap Gradient(int32_t width, int32_t height) {
  return MakeBitmap(width, height, [width, height](int32_t x, int32_t y) {
    const uint32_t alphas[] = {255, 0, 127, 128, 200};
    const uint32_t red = static_cast<uint32_t>(255 * x / std::max(1, width - 1));
    const uint32_t green = static_cast<uint32_t>(255 * y / std::max(1, height - 1));
    const uint32_t blue = static_cast<uint32_t>((x * 37 + y * 91) & 0xFF);
    return alphas[(x + 2 * y) % 5] << 24 | red << 16 | green << 8 | blue;
  });
}

// Opaque or clear only, in few colours: what GIF can hold.
Bitmap TwoTone(int32_t width, int32_t height) {
  return MakeBitmap(width, height, [](int32_t x, int32_t y) -> uint32_t {
    return (x + y) % 3 == 0 ? 0 : (x % 2 ? 0xFF2060C0 : 0xFFF0E010);
  });
}

std::vector<uint8_t> EncodeAt(const Bitmap& picture, int bits) {
  const zelmor::IconImageData image =
      zelmor::EncodeIconImage(picture.data(), picture.width(), picture.stride(), bits);
  return zelmor::SerializeIconImage(image, bits);
}

// A bitmap block at a depth the encoder does not write, with a palette when
// there is one and a few transparent pixels.
std::vector<uint8_t> HandBuiltBlock(int32_t side, uint16_t bits) {
  BitmapEntryBuilder block(side, side, bits);
  if (bits <= 8) {
    std::vector<zelmor::RGBQUAD> palette;
    for (uint32_t i = 0; i < (1u << bits); ++i) {
      palette.push_back({static_cast<uint8_t>(i * 7), static_cast<uint8_t>(255 - i),
                         static_cast<uint8_t>(i * 3), 0});
    }
    block.Palette(palette);
  }
  for (int32_t y = 0; y < side; ++y) {
    for (int32_t x = 0; x < side; ++x) {
      block.Pixel(x, y, static_cast<uint32_t>(x * 131 + y * 17) & ((1u << bits) - 1));
      block.Transparent(x, y, (x * y) % 5 == 1);
    }
  }
  return block.Build();
}

class CorpusWriter {
 public:
  explicit CorpusWriter(fs::path folder) : folder_(std::move(folder)) {
    fs::create_directories(folder_);
  }
  void Add(const std::string& name, const std::vector<uint8_t>& bytes) {
    zelmor::testing::WriteBytes((folder_ / name).string(), bytes);
    ++count_;
  }
  int count() const { return count_; }

 private:
  fs::path folder_;
  int count_ = 0;
};

// Image blocks of every form: the encoder's four depths, hand-built blocks at
// the depths only other programs write, odd layouts and PNG streams.
std::vector<std::pair<std::string, std::vector<uint8_t>>> Blocks() {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> blocks;
  for (const int32_t side : {1, 5, 16, 33}) {
    for (const int bits : {4, 8, 24, 32}) {
      blocks.emplace_back("enc" + std::to_string(bits) + "-" + std::to_string(side),
                          EncodeAt(Gradient(side, side), bits));
    }
  }
  for (const uint16_t bits : {1, 2, 4, 8, 16}) {
    blocks.emplace_back("dib" + std::to_string(bits), HandBuiltBlock(9, bits));
  }
  blocks.emplace_back("dib8-short-palette",
                      BitmapEntryBuilder(6, 6, 8).ClrUsed(16).Pixel(1, 1, 200).Build());
  blocks.emplace_back("dib32-tall", BitmapEntryBuilder(8, 12, 32).Build());
  blocks.emplace_back("dib32-wide", BitmapEntryBuilder(12, 4, 32).Build());
  blocks.emplace_back("dib24-header124", BitmapEntryBuilder(4, 4, 24).HeaderSize(124).Build());
  std::vector<uint8_t> cut = EncodeAt(Gradient(16, 16), 24);
  cut.resize(cut.size() - 40);
  blocks.emplace_back("dib24-cut-mask", cut);
  blocks.emplace_back("png-gradient", zelmor::testing::EncodePng(Gradient(12, 7)));
  blocks.emplace_back("png-1x1", zelmor::testing::EncodePng(Gradient(1, 1)));
  blocks.emplace_back("png-two-tone", zelmor::testing::EncodePng(TwoTone(20, 20)));
  return blocks;
}

int WriteDecodeEntrySeeds(const fs::path& folder) {
  CorpusWriter out(folder);
  for (const auto& [name, block] : Blocks()) {
    out.Add(name, block);
  }
  return out.count();
}

int WriteIcoSeeds(const fs::path& folder) {
  CorpusWriter out(folder);
  for (const auto& [name, block] : Blocks()) {
    out.Add("one-" + name, IcoBuilder().Add(block).Build());
  }
  for (const int bits : {4, 8, 24, 32}) {
    std::vector<zelmor::IconImageData> images;
    for (const int32_t side : {48, 16, 3}) {
      const Bitmap picture = Gradient(side, side);
      images.push_back(zelmor::EncodeIconImage(picture.data(), side, picture.stride(), bits));
    }
    out.Add("encoder-" + std::to_string(bits), zelmor::BuildIconFile(images, bits));
  }
  // Mixed forms, a damaged middle entry and entries that share their bytes.
  const std::vector<uint8_t> png = zelmor::testing::EncodePng(Gradient(10, 10));
  const std::vector<uint8_t> dib = HandBuiltBlock(7, 4);
  out.Add("mixed", IcoBuilder().Add(png).Add(dib).Add(EncodeAt(TwoTone(17, 17), 32)).Build());
  out.Add("damaged-middle",
          IcoBuilder().Add(dib).Add({.data = dib, .bytesInRes = 0xFFFFFFF0u}).Add(png).Build());
  out.Add("shared", IcoBuilder()
                        .Add(dib)
                        .Add({.data = {},
                              .bytesInRes = static_cast<uint32_t>(dib.size()),
                              .imageOffset = 6 + 2 * 16})
                        .Build());
  out.Add("cursor-type", IcoBuilder().Type(2).Add(dib).Build());
  return out.count();
}

// The overlay engine's icons, and icons with each fault the inspector names.
int WriteInspectSeeds(const fs::path& folder) {
  int count = WriteIcoSeeds(folder);
  CorpusWriter out(folder);
  const std::vector<uint8_t> dib = HandBuiltBlock(16, 8);
  const std::vector<uint8_t> png = zelmor::testing::EncodePng(Gradient(16, 16));
  out.Add("reserved", IcoBuilder().Reserved(1).Add({.data = dib, .reserved = 2}).Build());
  out.Add(
      "directory-disagrees",
      IcoBuilder()
          .Add(
              {.data = dib, .width = 32, .height = 0, .colorCount = 16, .planes = 0, .bitCount = 4})
          .Build());
  out.Add("ascending-duplicates", IcoBuilder().Add(png).Add(dib).Add(dib).Add(png).Build());
  out.Add("gap-and-tail", IcoBuilder()
                              .Add({.data = std::vector<uint8_t>(5, 0), .bytesInRes = 0})
                              .Add(dib)
                              .Tail(std::vector<uint8_t>(9, 0xAB))
                              .Build());
  out.Add("overlap", IcoBuilder()
                         .Add({.data = dib, .bytesInRes = static_cast<uint32_t>(dib.size() + 40)})
                         .Add(png)
                         .Build());
  return count + out.count();
}

int WritePictureSeeds(const fs::path& folder, const fs::path& scratch) {
  CorpusWriter out(folder);
  const std::vector<std::pair<std::string, Bitmap>> pictures = [] {
    std::vector<std::pair<std::string, Bitmap>> list;
    list.emplace_back("gradient", Gradient(13, 7));
    list.emplace_back("two-tone", TwoTone(6, 21));
    list.emplace_back("dot", TwoTone(1, 1));
    return list;
  }();
  // The first two bytes choose depth, lines and sizes; vary them across seeds.
  uint8_t run = 0;
  for (const std::string format :
       {"png", "jpg", "bmp", "gif", "webp", "tiff", "tga", "ico", "ppm", "pgm", "pbm", "xpm", "xbm",
        "wbmp", "cur", "icns", "heic", "avif", "jxl"}) {
    for (const auto& [name, picture] : pictures) {
      const std::string path = (scratch / ("picture." + format)).string();
      if (!zelmor::testing::WritePicture(picture, path, format)) {
        continue;
      }
      std::vector<uint8_t> bytes = {run, static_cast<uint8_t>(0x11u << (run % 4))};
      const std::vector<uint8_t> file = zelmor::testing::ReadBytes(path);
      bytes.insert(bytes.end(), file.begin(), file.end());
      out.Add(format + "-" + name, bytes);
      run = static_cast<uint8_t>((run + 1) % 8);
    }
  }
  const std::string svg =
      "<svg xmlns='http://www.w3.org/2000/svg' width='20' height='10'>"
      "<rect x='2' y='1' width='12' height='7' fill='#3080c0' fill-opacity='0.6'/></svg>";
  std::vector<uint8_t> bytes = {3, 0x30};
  bytes.insert(bytes.end(), svg.begin(), svg.end());
  out.Add("svg", bytes);
  return out.count();
}

int WriteRoundTripSeeds(const fs::path& folder) {
  CorpusWriter out(folder);
  for (const uint8_t side : {0, 15, 32, 47, 71}) {
    for (uint8_t shape = 0; shape < 8; ++shape) {
      std::vector<uint8_t> bytes = {side, static_cast<uint8_t>(shape * 5)};
      const Bitmap picture = Gradient(side + 1, 1 + side % 5);
      bytes.insert(
          bytes.end(), picture.data(),
          picture.data() + static_cast<std::ptrdiff_t>(picture.stride()) * picture.height());
      out.Add("side" + std::to_string(side + 1) + "-shape" + std::to_string(shape), bytes);
    }
  }
  return out.count();
}

// Documents of every feature icon themes use, and the edges of the markup
// reading: entities, references and their cycles, a viewBox without a size.
// The first byte picks the canvas side.
int WriteVectorSeeds(const fs::path& folder) {
  CorpusWriter out(folder);
  using zelmor::testing::SvgDocument;
  std::vector<std::pair<std::string, std::string>> documents;
  for (const zelmor::testing::NamedSvg& svg : zelmor::testing::IconLikeSvgs()) {
    documents.emplace_back(svg.name, svg.markup);
  }
  documents.emplace_back(
      "entities", "<!DOCTYPE svg [<!ENTITY s 'fill:url(#g);'>]>" +
                      SvgDocument("viewBox='0 0 20 10'",
                                  "<linearGradient id='g'><stop offset='0' stop-color='red'/>"
                                  "<stop offset='1' stop-color='blue' stop-opacity='.4'/>"
                                  "</linearGradient><rect width='20' height='10' style='&s;'/>"));
  documents.emplace_back("use-cycle",
                         SvgDocument("width='8' height='16'",
                                     "<g id='a'><circle r='3' cx='4' cy='4'/><use href='#b'/></g>"
                                     "<g id='b'><use href='#a' y='8'/></g>"));
  documents.emplace_back(
      "pattern-marker", SvgDocument("width='12mm' height='12mm' viewBox='0 0 12 12'",
                                    "<pattern id='p' width='3' height='3' "
                                    "patternUnits='userSpaceOnUse'><rect width='1.5' height='1.5'/>"
                                    "</pattern><marker id='m' markerWidth='3' markerHeight='3'>"
                                    "<path d='M0 0L3 1.5L0 3z'/></marker><path d='M1 1L11 11' "
                                    "stroke='url(#p)' stroke-width='2' marker-end='url(#m)'/>"));
  uint8_t side = 7;
  for (const auto& [name, markup] : documents) {
    std::vector<uint8_t> bytes = {side};
    bytes.insert(bytes.end(), markup.begin(), markup.end());
    out.Add(name, bytes);
    side = static_cast<uint8_t>(side + 13);
  }
  return out.count();
}

// BMPs of every header kind and depth, bit fields, run-length codes.
int WriteBmpSeeds(const fs::path& folder) {
  using zelmor::testing::BmpSpec;
  CorpusWriter out(folder);
  for (const uint32_t header : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
    for (const uint16_t bits : {1, 2, 4, 8, 16, 24, 32}) {
      BmpSpec spec;
      spec.headerBytes = header;
      spec.width = 5;
      spec.height = header % 3 == 0 ? -3 : 3;
      spec.bitCount = bits;
      if (bits <= 8) {
        for (uint32_t i = 0; i < (1u << bits); ++i) {
          spec.palette.push_back(i * 0x010305u);
        }
      }
      spec.pixels.assign(3 * ((5 * bits + 31) / 32 * 4), 0x5A);
      out.Add("h" + std::to_string(header) + "-" + std::to_string(bits),
              zelmor::testing::BuildBmp(spec));
    }
  }
  BmpSpec fields;
  fields.headerBytes = 124;
  fields.width = 3;
  fields.bitCount = 32;
  fields.compression = 3;
  fields.masks = {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000};
  fields.colourSpace = 0x4D424544;
  fields.profile = {'a', 'c', 's', 'p'};
  fields.pixels.assign(12, 0x77);
  out.Add("bitfields-v5", zelmor::testing::BuildBmp(fields));
  const struct {
    const char* name;
    uint16_t bits;
    uint32_t compression;
    std::vector<uint8_t> codes;
  } runs[] = {{"rle8", 8, 1, {3, 1, 0, 3, 1, 2, 3, 0, 0, 2, 1, 1, 0, 0, 2, 2, 0, 1}},
              {"rle4", 4, 2, {5, 0x12, 0, 0, 0, 3, 0x30, 0x10, 0, 1}},
              {"rle24", 24, 4, {2, 1, 2, 3, 0, 0, 0, 3, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 1}}};
  for (const auto& run : runs) {
    BmpSpec spec;
    spec.width = 6;
    spec.height = 3;
    spec.bitCount = run.bits;
    spec.compression = run.compression;
    if (run.bits <= 8) {
      spec.palette = {0x102030, 0x405060, 0x708090, 0xA0B0C0};
    }
    spec.pixels = run.codes;
    out.Add(run.name, zelmor::testing::BuildBmp(spec));
  }
  return out.count();
}

// TGAs of every type and depth, run-length and not, from each corner.
int WriteTgaSeeds(const fs::path& folder) {
  using zelmor::testing::TgaSpec;
  CorpusWriter out(folder);
  const struct {
    uint8_t type;
    uint8_t bits;
  } kinds[] = {{1, 8}, {2, 15}, {2, 16}, {2, 24}, {2, 32}, {3, 8}, {3, 16}};
  uint8_t corner = 0;
  for (const auto& kind : kinds) {
    for (const bool runLength : {false, true}) {
      TgaSpec spec;
      spec.type = static_cast<uint8_t>(kind.type | (runLength ? 8 : 0));
      spec.pixelBits = kind.bits;
      spec.descriptor = static_cast<uint8_t>((corner++ % 4) << 4 | (kind.bits == 32 ? 8 : 0));
      spec.width = 5;
      spec.height = 3;
      spec.id = {'i', 'd'};
      if (kind.type == 1) {
        spec.hasMap = true;
        spec.mapFirst = 1;
        spec.map = {1, 2, 3, 4, 5, 6, 7, 8, 9};
      }
      const std::size_t pixelBytes = (kind.bits + 7u) / 8u;
      std::vector<uint8_t> raw;
      for (std::size_t i = 0; i < 15 * pixelBytes; ++i) {
        raw.push_back(static_cast<uint8_t>(i / (2 * pixelBytes) % 3));
      }
      spec.pixels = runLength ? zelmor::testing::TgaRunLength(raw, pixelBytes) : raw;
      spec.footer = runLength;
      out.Add("t" + std::to_string(spec.type) + "-" + std::to_string(kind.bits),
              zelmor::testing::BuildTga(spec));
    }
  }
  return out.count();
}


// A matrix-and-curve ICC profile, sRGB's primaries with red and green
// exchanged, as lcms2 writes it.
std::vector<uint8_t> SeedProfile() {
  const cmsCIExyY white = {0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE primaries = {{0.30, 0.60, 1.0}, {0.64, 0.33, 1.0}, {0.15, 0.06, 1.0}};
  cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
  cmsToneCurve* curves[3] = {curve, curve, curve};
  cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsFreeToneCurve(curve);
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::vector<uint8_t> bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

std::vector<uint8_t> Big32(uint32_t value) {
  return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
          static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

// Appends a RIFF chunk to a WebP file and fixes the RIFF length.
std::vector<uint8_t> WithWebpChunk(std::vector<uint8_t> webp, const char* fourcc,
                                   const std::vector<uint8_t>& data) {
  webp.insert(webp.end(), fourcc, fourcc + 4);
  for (int i = 0; i < 4; ++i) {
    webp.push_back(static_cast<uint8_t>(data.size() >> (8 * i)));
  }
  webp.insert(webp.end(), data.begin(), data.end());
  if (data.size() % 2 == 1) {
    webp.push_back(0);
  }
  const std::size_t riff = webp.size() - 8;
  for (int i = 0; i < 4; ++i) {
    webp[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
  }
  return webp;
}

int WriteMetadataSeeds(const fs::path& folder, const fs::path& scratch) {
  namespace t = zelmor::testing;
  CorpusWriter out(folder);
  const std::vector<uint8_t> profile = SeedProfile();
  for (const bool bigEndian : {false, true}) {
    out.Add(std::string("exif-") + (bigEndian ? "mm" : "ii"), t::ExifBlock(6, bigEndian));
  }
  const std::vector<uint8_t> png = t::EncodePng(Gradient(5, 4));
  out.Add("png-exif", t::InsertPngChunk(png, "eXIf", t::ExifBlock(8, true)));
  out.Add("png-iccp", t::InsertPngChunk(png, "iCCP", t::IccpChunkData(profile)));
  out.Add("png-gama", t::InsertPngChunk(png, "gAMA", Big32(100000)));
  std::vector<uint8_t> chrm;
  for (uint32_t value : {31270u, 32900u, 30000u, 60000u, 64000u, 33000u, 15000u, 6000u}) {
    const std::vector<uint8_t> b = Big32(value);
    chrm.insert(chrm.end(), b.begin(), b.end());
  }
  out.Add("png-chrm-gama",
          t::InsertPngChunk(t::InsertPngChunk(png, "cHRM", chrm), "gAMA", Big32(45455)));
  out.Add("png-srgb", t::InsertPngChunk(png, "sRGB", {0}));
  const std::string jpgPath = (scratch / "seed.jpg").string();
  if (t::WritePicture(Gradient(8, 8), jpgPath, "jpg")) {
    const std::vector<uint8_t> jpeg = t::ReadBytes(jpgPath);
    std::vector<uint8_t> app1 = {'E', 'x', 'i', 'f', 0, 0};
    const std::vector<uint8_t> exif = t::ExifBlock(3, false);
    app1.insert(app1.end(), exif.begin(), exif.end());
    out.Add("jpeg-exif-icc",
            t::InsertJpegIccProfile(t::InsertJpegSegment(jpeg, 0xE1, app1), profile, 2));
  }
  const std::string webpPath = (scratch / "seed.webp").string();
  if (t::WritePicture(Gradient(6, 6), webpPath, "webp")) {
    out.Add("webp-exif-icc",
            WithWebpChunk(WithWebpChunk(t::ReadBytes(webpPath), "EXIF", t::ExifBlock(5, true)),
                          "ICCP", profile));
  }
  const std::string tiffPath = (scratch / "seed.tiff").string();
  if (t::WritePicture(Gradient(6, 6), tiffPath, "tiff")) {
    out.Add("tiff", t::ReadBytes(tiffPath));
  }
  return out.count();
}

// Lossless files of the formats with decoders of their own, turned, with a
// profile, with alpha and without.
int WriteLibraryFormatSeeds(const fs::path& folder, const fs::path& scratch,
                            const std::string& format) {
  namespace t = zelmor::testing;
  CorpusWriter out(folder);
  const std::string path = (scratch / ("seed." + format)).string();
  const auto add = [&](const std::string& name, bool written) {
    if (written) {
      out.Add(name, t::ReadBytes(path));
    }
  };
  const Bitmap gradient = Gradient(9, 6);
  const Bitmap opaque = TwoTone(7, 5);
  if (format == "jxl") {
    add("gradient", t::WriteJxl(gradient, path));
    add("opaque", t::WriteJxl(opaque, path));
    add("profile", t::WriteJxl(opaque, path, SeedProfile()));
    return out.count();
  }
  const auto write = [&](const Bitmap& picture, const t::LibraryPictureOptions& options) {
    return format == "heic" ? t::WriteHeic(picture, path, options)
                            : t::WriteAvif(picture, path, options);
  };
  add("gradient", write(gradient, {}));
  add("opaque", write(opaque, {}));
  add("turned", write(gradient, {6, true, {}}));
  add("mirrored", write(opaque, {7, false, {}}));
  add("profile", write(opaque, {1, false, SeedProfile()}));
  return out.count();
}

// PNGs of every colour type and depth, with and without transparency, for
// the row decoder; the first two bytes choose the largest size and the crop.
int WriteStreamedPngSeeds(const fs::path& folder) {
  CorpusWriter out(folder);
  const struct {
    const char* name;
    uint8_t depth, type;
  } kinds[] = {{"rgba8", 8, 6}, {"rgba16", 16, 6}, {"rgb8", 8, 2},  {"grey1", 1, 0},
               {"grey16", 16, 0}, {"ga8", 8, 4},    {"pal4", 4, 3}, {"pal8", 8, 3}};
  uint8_t run = 0;
  for (const auto& kind : kinds) {
    zelmor::testing::RawPng png;
    png.width = 21;
    png.height = 13;
    png.bitDepth = kind.depth;
    png.colourType = kind.type;
    const uint32_t max = (1u << kind.depth) - 1;
    png.sample = [max](uint32_t x, uint32_t y, int s) {
      return (x * 17 + y * 29 + static_cast<uint32_t>(s) * 71) % (max + 1);
    };
    if (kind.type == 3) {
      std::vector<uint8_t> palette;
      for (uint32_t i = 0; i <= max; ++i) {
        palette.insert(palette.end(), {static_cast<uint8_t>(i * 9), static_cast<uint8_t>(i * 3),
                                       static_cast<uint8_t>(255 - i)});
      }
      png.chunks.emplace_back("PLTE", palette);
      png.chunks.emplace_back("tRNS", std::vector<uint8_t>{0, 128});
    }
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(run * 7), run};
    const std::vector<uint8_t> file = zelmor::testing::WriteRawPng(png);
    bytes.insert(bytes.end(), file.begin(), file.end());
    out.Add(kind.name, bytes);
    ++run;
  }
  return out.count();
}

// JPEGs large enough for every scale, grey and colour, one turned; the first
// byte chooses the scale.
int WriteScaledJpegSeeds(const fs::path& folder, const fs::path& scratch) {
  CorpusWriter out(folder);
  const std::string path = (scratch / "seed.jpg").string();
  uint8_t run = 0;
  for (const auto& [name, picture] :
       {std::pair{"gradient", Gradient(40, 24)}, std::pair{"two-tone", TwoTone(17, 33)}}) {
    if (!zelmor::testing::WritePicture(picture, path, "jpg")) {
      continue;
    }
    std::vector<uint8_t> bytes = {run++};
    const std::vector<uint8_t> file = zelmor::testing::ReadBytes(path);
    bytes.insert(bytes.end(), file.begin(), file.end());
    out.Add(name, bytes);
  }
  return out.count();
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  const zelmor::testing::TempDir scratch;
  const int counts[] = {
      WriteDecodeEntrySeeds(root / "fuzz_decode_entry"),
      WriteIcoSeeds(root / "fuzz_ico_overlay"),
      WritePictureSeeds(root / "fuzz_generate_icon", scratch.path()),
      WriteRoundTripSeeds(root / "fuzz_encode_roundtrip"),
      WriteInspectSeeds(root / "fuzz_inspect"),
      WriteVectorSeeds(root / "fuzz_vector_picture"),
      WriteBmpSeeds(root / "fuzz_bmp_decoder"),
      WriteTgaSeeds(root / "fuzz_tga_decoder"),
      WriteMetadataSeeds(root / "fuzz_picture_metadata", scratch.path()),
      WriteLibraryFormatSeeds(root / "fuzz_decode_heif", scratch.path(), "heic"),
      WriteLibraryFormatSeeds(root / "fuzz_decode_avif", scratch.path(), "avif"),
      WriteLibraryFormatSeeds(root / "fuzz_decode_jxl", scratch.path(), "jxl"),
      WriteStreamedPngSeeds(root / "fuzz_streamed_png"),
      WriteScaledJpegSeeds(root / "fuzz_scaled_jpeg", scratch.path()),
  };
  std::printf(
      "seeds: %d entry blocks, %d icons, %d pictures, %d round trips, %d inspected icons, "
      "%d vector documents, %d BMPs, %d TGAs, %d metadata, %d heif, %d avif, %d jxl, %d PNGs "
      "by rows, %d scaled JPEGs\n",
      counts[0], counts[1], counts[2], counts[3], counts[4], counts[5], counts[6], counts[7],
      counts[8], counts[9], counts[10], counts[11], counts[12], counts[13]);
  return 0;
}
