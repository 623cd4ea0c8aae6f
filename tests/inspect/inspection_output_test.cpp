// The two renderings of an inspection: the grep-friendly text and the JSON
// array, which must be valid JSON and say the same.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "inspect/icon_inspection.h"
#include "inspect/inspection_json.h"
#include "inspect/inspection_text.h"
#include "platform/imaging.h"
#include "tests/inspect/inspect_fixtures.h"
#include "tests/support/ico_builder.h"
#include "tests/support/temp_dir.h"

namespace zelmor {
namespace {

using testing::BitmapBlock;
using testing::Bytes;
using testing::IcoBuilder;
using testing::IcoEntry;

// A decoded entry whose directory disagrees in every field, and one that does
// not decode.
IconInspection Sample(const std::string& file) {
  IcoEntry wrong;
  wrong.data = BitmapBlock(16, 16, 4);
  wrong.width = 32;
  wrong.height = 16;
  wrong.colorCount = 0;
  wrong.planes = 0;
  wrong.bitCount = 8;
  IcoEntry broken;
  broken.data = Bytes(39, 0x11);
  const Bytes bytes = IcoBuilder().Add(wrong).Add(broken).Build();
  const ImagingSession imaging;
  IconInspection inspection = InspectIcon(bytes);
  inspection.file = file;
  return inspection;
}

TEST(InspectionText, ListsEntriesThenFindingsOneALine) {
  EXPECT_EQ(FormatInspectionText(Sample("dir/app.ico")),
            "dir/app.ico: 373 bytes, 2 entries\n"
            "  entry 0: 16x16 4-bit bmp, 296 bytes at offset 38 (directory: width 32, colours 0, "
            "planes 0, bits 8)\n"
            "  entry 1: ?x? ?-bit bmp, 39 bytes at offset 334 (directory: width 0, height 0, "
            "colours 0, planes 1, bits 32)\n"
            "  warning planes-not-one: entry 0: wPlanes is 0, not 1\n"
            "  error size-mismatch: entry 0: the directory says 32x16, the image is 16x16\n"
            "  warning bits-mismatch: entry 0: wBitCount is 8, bColorCount is 0 (should be 16) "
            "for a 4-bit image\n"
            "  error entry-undecodable: entry 1: the block is neither a PNG nor a bitmap that "
            "decodes\n"
            "  warning no-256: no 256x256 entry, which electron-builder requires\n");
}

// Python's json module reads the array back and prints what the text says;
// with a file name that needs escaping.
TEST(InspectionJson, ParsesAndSaysWhatTheTextSays) {
  if (std::system("/usr/bin/python3 -c 'import json' >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "/usr/bin/python3 is missing";
  }
  const std::string name = "odd \"name\"\\ with\ttab.ico";
  const std::vector<IconInspection> inspections = {Sample(name), Sample("second.ico")};
  testing::TempDir dir;
  const std::string json = dir.File("out.json");
  const std::string echo = dir.File("echo.txt");
  const std::string text = FormatInspectionJson(inspections);
  testing::WriteBytes(json, Bytes(text.begin(), text.end()));
  const std::string script =
      "import json, sys\n"
      "for it in json.load(open(sys.argv[1])):\n"
      "    assert set(it) == {'file', 'bytes', 'type', 'count', 'entries', 'findings'}\n"
      "    print('%s: %d bytes, %d entries' % (it['file'], it['bytes'], it['count']))\n"
      "    for e in it['entries']:\n"
      "        assert set(e['directory']) == {'width', 'height', 'colors', 'planes', 'bits'}\n"
      "        n = lambda v: '?' if v is None else str(v)\n"
      "        print('  entry %d: %sx%s %s-bit %s, %d bytes at offset %d' % (e['index'],\n"
      "              n(e['width']), n(e['height']), n(e['bits']), e['format'], e['bytes'],\n"
      "              e['offset']))\n"
      "    for f in it['findings']:\n"
      "        assert f['entry'] is None or f['message'].startswith('entry %d: ' % f['entry'])\n"
      "        print('  %s %s: %s' % (f['level'], f['code'], f['message']))\n";
  const std::string py = dir.File("echo.py");
  testing::WriteBytes(py, Bytes(script.begin(), script.end()));
  ASSERT_EQ(std::system(("/usr/bin/python3 " + py + " " + json + " > " + echo).c_str()), 0) << text;
  const std::vector<uint8_t> echoed = testing::ReadBytes(echo);
  // The text without the directory notes, which the JSON holds as fields.
  std::string expected;
  for (const IconInspection& inspection : inspections) {
    std::string lines = FormatInspectionText(inspection);
    for (std::size_t at = lines.find(" (directory:"); at != std::string::npos;
         at = lines.find(" (directory:")) {
      lines.erase(at, lines.find('\n', at) - at);
    }
    expected += lines;
  }
  EXPECT_EQ(std::string(echoed.begin(), echoed.end()), expected);
}

TEST(InspectionJson, AFileThatIsNoIconHasNullFieldsAndEmptyLists) {
  IconInspection tiny;
  {
    const ImagingSession imaging;
    tiny = InspectIcon(Bytes{0, 0, 1});
  }
  tiny.file = "t.ico";
  EXPECT_EQ(FormatInspectionJson({&tiny, 1}),
            "[\n"
            "  {\"file\": \"t.ico\",\n"
            "    \"bytes\": 3,\n"
            "    \"type\": null,\n"
            "    \"count\": null,\n"
            "    \"entries\": [],\n"
            "    \"findings\": [\n"
            "      {\"level\": \"error\", \"code\": \"not-an-icon\", \"entry\": null, "
            "\"message\": \"the file is 3 bytes, shorter than the 6-byte header\"}\n"
            "    ]}\n"
            "]\n");
  EXPECT_EQ(FormatInspectionJson({}), "[]\n");
}

}  // namespace
}  // namespace zelmor
