#include <gtest/gtest.h>

#include "cli/cli_options.h"

namespace zelmor::cli {
namespace {

std::optional<CliOptions> Parse(std::vector<std::string> args) {
  std::string error;
  auto options = ParseCliOptions(args, error);
  EXPECT_EQ(options.has_value(), error.empty()) << error;
  return options;
}

TEST(CliOptions, DefaultsMatchTheDialog) {
  const auto options = Parse({"in.png"});
  ASSERT_TRUE(options);
  EXPECT_EQ(options->inputs, std::vector<std::string>{"in.png"});
  EXPECT_EQ(options->output, "");
  EXPECT_EQ(options->sizes, std::vector<int32_t>{48});
  EXPECT_EQ(options->depths, std::vector<int32_t>{32});
  EXPECT_FALSE(options->lines);
  EXPECT_EQ(options->minCount, 0);
  EXPECT_EQ(options->maxCount, 0);
  EXPECT_EQ(options->color, 0x0000FFu);
  EXPECT_FALSE(options->seed);
  EXPECT_EQ(options->jobs, 1);
}

TEST(CliOptions, ReadsEveryOption) {
  const auto options = Parse({"-o", "out.ico", "--sizes=16,256,32,16", "-d", "8", "-l", "20-5",
                              "-c", "0080ff", "--seed", "4294967295", "a.png"});
  ASSERT_TRUE(options);
  EXPECT_EQ(options->output, "out.ico");
  EXPECT_EQ(options->sizes, (std::vector<int32_t>{256, 32, 16}));
  EXPECT_EQ(options->depths, std::vector<int32_t>{8});
  EXPECT_TRUE(options->lines);
  EXPECT_EQ(options->minCount, 5);
  EXPECT_EQ(options->maxCount, 20);
  EXPECT_EQ(options->color, 0xFF8000u) << "RRGGBB becomes 0x00BBGGRR";
  EXPECT_EQ(options->seed, 4294967295u);
}

TEST(CliOptions, AllSizesLargestFirst) {
  EXPECT_EQ(Parse({"-s", "all", "x"})->sizes,
            (std::vector<int32_t>{256, 128, 96, 64, 48, 32, 24, 16}));
}

TEST(CliOptions, PresetsDepthListsPngFitAndMerge) {
  EXPECT_EQ(Parse({"-s", "windows", "x"})->sizes,
            (std::vector<int32_t>{256, 96, 64, 48, 40, 32, 24, 20, 16}));
  EXPECT_EQ(Parse({"-s", "favicon", "x"})->sizes, (std::vector<int32_t>{48, 32, 16}));
  EXPECT_EQ(Parse({"-d", "8,32,4,32", "x"})->depths, (std::vector<int32_t>{32, 8, 4}));
  const auto options =
      Parse({"--png", "256", "--fit=cover", "-m", "-o", "app.ico", "16.png", "master.svg"});
  ASSERT_TRUE(options);
  EXPECT_EQ(options->pngMinSize, 256);
  EXPECT_EQ(options->fit, FitMode::kCover);
  EXPECT_TRUE(options->merge);
  EXPECT_EQ(options->inputs, (std::vector<std::string>{"16.png", "master.svg"}));
  EXPECT_EQ(Parse({"--fit", "contain", "x"})->fit, FitMode::kContain);
  EXPECT_EQ(Parse({"--fit", "stretch", "x"})->fit, FitMode::kStretch);
  EXPECT_EQ(Parse({"x"})->pngMinSize, 0);
  EXPECT_FALSE(Parse({"x"})->merge);
}

struct LinesCase {
  const char* text;
  int32_t min, max;
};

class CliLinesTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(CliLinesTest, OrdersAndCapsLikeTheDialog) {
  const auto options = Parse({"-l", GetParam().text, "x.png"});
  ASSERT_TRUE(options);
  EXPECT_EQ(options->minCount, GetParam().min);
  EXPECT_EQ(options->maxCount, GetParam().max);
}

INSTANTIATE_TEST_SUITE_P(Cli, CliLinesTest,
                         ::testing::Values(LinesCase{"5-10", 5, 10}, LinesCase{"20-5", 5, 20},
                                           LinesCase{"3-5000", 3, 1000},
                                           LinesCase{"1500-1200", 1200, 1000},
                                           LinesCase{"0-0", 0, 0},
                                           // Read unsigned, held signed, as the dialog does.
                                           LinesCase{"4294967295-3", -1, 3}));

TEST(CliOptions, JobCounts) {
  EXPECT_EQ(Parse({"-j", "4", "a.png", "b.png"})->jobs, 4);
  EXPECT_EQ(Parse({"--jobs", "1", "x"})->jobs, 1);
  EXPECT_EQ(Parse({"--jobs=64", "x"})->jobs, 64);
  const auto merged = Parse({"-m", "-j", "2", "-o", "m.ico", "a.png", "b.png"});
  ASSERT_TRUE(merged);
  EXPECT_EQ(merged->jobs, 2) << "accepted with --merge, where it changes nothing";
}

class CliUsageErrorTest : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(CliUsageErrorTest, IsRefusedWithAReason) {
  std::string error;
  EXPECT_FALSE(ParseCliOptions(GetParam(), error));
  EXPECT_FALSE(error.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliUsageErrorTest,
    ::testing::Values(
        std::vector<std::string>{}, std::vector<std::string>{"-s", "0", "x"},
        std::vector<std::string>{"-s", "257", "x"}, std::vector<std::string>{"-s", "16,,32", "x"},
        std::vector<std::string>{"-d", "16", "x"}, std::vector<std::string>{"-l", "5", "x"},
        std::vector<std::string>{"-l", "-3-5", "x"},
        std::vector<std::string>{"-l", "5-99999999999", "x"},
        std::vector<std::string>{"-c", "red", "x"}, std::vector<std::string>{"-c", "12345", "x"},
        std::vector<std::string>{"--seed", "-1", "x"},
        std::vector<std::string>{"-o", "out.ico", "a.png", "b.png"},
        std::vector<std::string>{"--frobnicate", "x"}, std::vector<std::string>{"x", "-o"},
        std::vector<std::string>{"-s", "window", "x"}, std::vector<std::string>{"-d", "32,16", "x"},
        std::vector<std::string>{"-d", "32,", "x"}, std::vector<std::string>{"--png", "0", "x"},
        std::vector<std::string>{"--png", "257", "x"}, std::vector<std::string>{"--png", "x"},
        std::vector<std::string>{"--fit", "fill", "x"}, std::vector<std::string>{"-j", "0", "x"},
        std::vector<std::string>{"--jobs", "65", "x"}, std::vector<std::string>{"-j", "two", "x"},
        std::vector<std::string>{"--jobs=", "x"}, std::vector<std::string>{"-j", "-2", "x"},
        std::vector<std::string>{"-j", "4294967297", "x"}, std::vector<std::string>{"x", "-j"}));

}  // namespace
}  // namespace zelmor::cli
