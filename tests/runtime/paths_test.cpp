#include <gtest/gtest.h>

#include "platform/paths.h"

namespace zelmor {
namespace {

struct ExtensionCase {
  const char* path;
  bool ico;
};

class IcoExtensionTest : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(IcoExtensionTest, ComparesTheTextFromTheLastDot) {
  EXPECT_EQ(HasIcoExtension(GetParam().path), GetParam().ico) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, IcoExtensionTest,
    ::testing::Values(ExtensionCase{"App.ICO", true}, ExtensionCase{"/a/b/icon.ico", true},
                      ExtensionCase{"x.IcO", true}, ExtensionCase{"logo.PNG", false},
                      ExtensionCase{"app.ico.png", false}, ExtensionCase{"noextension", false},
                      ExtensionCase{"D:\\a.b\\pic", false}, ExtensionCase{"a.ico/pic", false},
                      ExtensionCase{".ico", true}, ExtensionCase{"x.icon", false},
                      ExtensionCase{"", false}));

struct OutputCase {
  const char* input;
  const char* output;
};

class DefaultOutputPathTest : public ::testing::TestWithParam<OutputCase> {};

TEST_P(DefaultOutputPathTest, KeepsDriveFolderAndBaseName) {
  EXPECT_EQ(DefaultOutputPath(GetParam().input), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DefaultOutputPathTest,
    ::testing::Values(OutputCase{"C:\\pics\\logo.png", "C:\\pics\\logo生成.ico"},
                      OutputCase{"/home/u/pics/logo.png", "/home/u/pics/logo生成.ico"},
                      OutputCase{"D:\\x\\archive.tar.gz", "D:\\x\\archive.tar生成.ico"},
                      OutputCase{"/x/.hidden", "/x/生成.ico"},
                      OutputCase{"/a.b/pic", "/a.b/pic生成.ico"},
                      OutputCase{"C:pic.bmp", "C:pic生成.ico"},
                      OutputCase{"mixed/sep\\name.jpg", "mixed/sep\\name生成.ico"},
                      OutputCase{"App.ICO", "App生成.ico"}, OutputCase{"", ""}));

TEST(DefaultOutputPath, LongFoldersAreNeverCut) {
  // Names past the old 255-byte buffers must survive whole, never falling
  // back to a bare name in the current folder.
  const std::string folder = "/" + std::string(300, 'f') + "/" + std::string(280, 'g') + "/";
  const std::string base(400, 'b');
  EXPECT_EQ(DefaultOutputPath(folder + base + ".png"), folder + base + "生成.ico");
}

TEST(SplitPath, SeparatesTheFourParts) {
  const PathParts parts = SplitPath("C:\\dir/sub\\name.tar.gz");
  EXPECT_EQ(parts.drive, "C:");
  EXPECT_EQ(parts.folder, "\\dir/sub\\");
  EXPECT_EQ(parts.base, "name.tar");
  EXPECT_EQ(parts.extension, ".gz");
}

}  // namespace
}  // namespace zelmor
