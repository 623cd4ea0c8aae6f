// The contact sheet: every entry at 100 % over both backgrounds, labelled,
// and the PNG file it is written to.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QString>

#include "inspect/contact_sheet.h"
#include "inspect/icon_inspection.h"
#include "platform/imaging.h"
#include "platform/png_file.h"
#include "tests/inspect/inspect_fixtures.h"
#include "tests/support/ico_builder.h"
#include "tests/support/picture_writer.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::BitmapEntryBuilder;
using testing::Bytes;
using testing::IcoBuilder;
using testing::PixelAt;

// 3 x 2: opaque, clear and half-transparent red in the top row; the bottom
// row opaque blue, its first pixel cleared by the AND mask.
Bytes ThreeByTwo() {
  return BitmapEntryBuilder(3, 2, 32)
      .Pixel(0, 0, 0xFF112233)
      .Pixel(1, 0, 0x00000000)
      .Pixel(2, 0, 0x80FF0000)
      .Pixel(0, 1, 0xFF0000FF)
      .Pixel(1, 1, 0xFF0000FF)
      .Pixel(2, 1, 0xFF0000FF)
      .Transparent(0, 1)
      .Build();
}

Bytes SheetIcon() {
  return IcoBuilder().Add(ThreeByTwo()).Add(Bytes(39, 0x11)).Add(testing::RgbaPng(5, 5)).Build();
}

struct Expected {
  int32_t x;
  int32_t y;
  uint32_t overLight;
  uint32_t overDark;
};

TEST(ContactSheet, ShowsEveryEntryOverLightAndDarkWithItsLabel) {
  const Bytes file = SheetIcon();
  const ImagingSession imaging;
  const IconInspection inspection = InspectIcon(file);
  const std::optional<SheetLayout> layout = LayOutContactSheet(inspection);
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->cells.size(), 3u);
  EXPECT_EQ(layout->cells[0].label, "#0 3x2 32 bmp");
  EXPECT_EQ(layout->cells[1].label, "#1 ?");
  EXPECT_EQ(layout->cells[2].label, "#2 5x5 32 png");
  const std::optional<Bitmap> sheet = DrawContactSheet(file, inspection);
  ASSERT_TRUE(sheet);
  EXPECT_EQ(sheet->width(), layout->width);
  EXPECT_EQ(sheet->height(), layout->height);
  // Every cell lies inside the sheet, below the one before.
  for (std::size_t i = 0; i < layout->cells.size(); ++i) {
    const SheetCell& cell = layout->cells[i];
    const int32_t w = inspection.entries[i].width.value_or(0);
    EXPECT_LE(cell.darkX + w, layout->width);
    EXPECT_LE(cell.labelY + 7, layout->height);
    if (i > 0) {
      EXPECT_GT(cell.y, layout->cells[i - 1].labelY + 7);
    }
  }

  const SheetCell& cell = layout->cells[0];
  // Straight alpha over each background, rounded to nearest.
  const Expected pixels[] = {
      {0, 0, 0xFF112233, 0xFF112233}, {1, 0, kSheetLight, kSheetDark},
      {2, 0, 0xFFFF7F7F, 0xFF901010}, {0, 1, kSheetLight, kSheetDark},
      {2, 1, 0xFF0000FF, 0xFF0000FF},
  };
  for (const Expected& p : pixels) {
    SCOPED_TRACE(::testing::Message() << "pixel " << p.x << "," << p.y);
    EXPECT_EQ(PixelAt(*sheet, cell.lightX + p.x, cell.y + p.y), p.overLight);
    EXPECT_EQ(PixelAt(*sheet, cell.darkX + p.x, cell.y + p.y), p.overDark);
  }
  // The sheet's own background around the panels, and ink in the label ('#'
  // has its second column set in its top row).
  EXPECT_EQ(PixelAt(*sheet, cell.lightX + 3, cell.y), kSheetBackground);
  EXPECT_EQ(PixelAt(*sheet, 0, 0), kSheetBackground);
  EXPECT_EQ(PixelAt(*sheet, cell.lightX + 1, cell.labelY), kSheetLabel);
  EXPECT_EQ(PixelAt(*sheet, cell.lightX, cell.labelY), kSheetBackground);
  // The PNG entry's opaque and half-transparent pixels show on both.
  const SheetCell& png = layout->cells[2];
  EXPECT_NE(PixelAt(*sheet, png.lightX, png.y), PixelAt(*sheet, png.darkX, png.y))
      << "pixel (0, 0) is partly transparent";
  EXPECT_EQ(PixelAt(*sheet, png.lightX + 1, png.y), PixelAt(*sheet, png.darkX + 1, png.y))
      << "pixel (1, 0) is opaque";
}

TEST(ContactSheet, IsWrittenAsAPngOfTheSamePixels) {
  const Bytes file = SheetIcon();
  const ImagingSession imaging;
  const IconInspection inspection = InspectIcon(file);
  const std::optional<Bitmap> sheet = DrawContactSheet(file, inspection);
  ASSERT_TRUE(sheet);
  testing::TempDir dir;
  const std::string path = dir.File("sheet.png");
  ASSERT_TRUE(WritePngFile(*sheet, path));
  const QImage read(QString::fromStdString(path));
  ASSERT_EQ(read.width(), sheet->width());
  ASSERT_EQ(read.height(), sheet->height());
  for (int32_t y = 0; y < sheet->height(); y += 3) {
    for (int32_t x = 0; x < sheet->width(); x += 2) {
      ASSERT_EQ(read.pixel(x, y), PixelAt(*sheet, x, y)) << x << "," << y;
    }
  }
  EXPECT_FALSE(WritePngFile(*sheet, dir.File("missing/sheet.png")));
}

TEST(ContactSheet, RefusesIconsWithNothingToShowOrTooLargeASheet) {
  const ImagingSession imaging;
  EXPECT_FALSE(LayOutContactSheet(InspectIcon(Bytes{0, 0, 2, 0, 1, 0})));
  // 600 entries of 256 x 256 make 528 x 164,408 pixels, more than 8192 x 8192.
  constexpr int kEntries = 600;
  IcoBuilder builder;
  const Bytes block = testing::BitmapBlock(256, 256);
  builder.Add(block);
  for (int i = 1; i < kEntries; ++i) {
    builder.Add({.data = {},
                 .bytesInRes = static_cast<uint32_t>(block.size()),
                 .imageOffset = 6 + kEntries * 16});
  }
  const Bytes file = builder.Build();
  const IconInspection inspection = InspectIcon(file);
  ASSERT_EQ(inspection.entries.size(), std::size_t{kEntries});
  EXPECT_FALSE(LayOutContactSheet(inspection));
  EXPECT_FALSE(DrawContactSheet(file, inspection));
}

}  // namespace
}  // namespace zelmor
