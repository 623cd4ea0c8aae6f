// Opening a library by name and resolving typed functions from it, and what
// a name or symbol that is not there gives.
#include "platform/shared_library.h"

#include <gtest/gtest.h>
#include <lcms2.h>

namespace zelmor {
namespace {

TEST(SharedLibrary, ResolvesTypedFunctionsThatWork) {
  const SharedLibrary library(ZELMOR_LCMS2_SONAME);
  ASSERT_TRUE(library.IsOpen());
  decltype(&cmsGetEncodedCMMversion) version = nullptr;
  ASSERT_TRUE(library.Resolve(version, "cmsGetEncodedCMMversion"));
  EXPECT_EQ(version(), cmsGetEncodedCMMversion());
}

TEST(SharedLibrary, MissingLibraryOrSymbolGivesNullFunctions) {
  const SharedLibrary missing("libzelmor-no-such-library.so.0");
  EXPECT_FALSE(missing.IsOpen());
  decltype(&cmsGetEncodedCMMversion) version = &cmsGetEncodedCMMversion;
  EXPECT_FALSE(missing.Resolve(version, "cmsGetEncodedCMMversion"));
  EXPECT_EQ(version, nullptr);

  const SharedLibrary library(ZELMOR_LCMS2_SONAME);
  version = &cmsGetEncodedCMMversion;
  EXPECT_FALSE(library.Resolve(version, "cmsNoSuchFunction"));
  EXPECT_EQ(version, nullptr);
}

}  // namespace
}  // namespace zelmor
