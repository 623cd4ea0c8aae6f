#include "platform/svg_work_limit.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/svg_documents.h"

namespace zelmor {
namespace {

using testing::SvgDocument;

struct WorkCase {
  const char* name;
  std::string markup;
  uint64_t work;  // UINT64_MAX: markup this reading refuses
};

class SvgWorkEstimateTest : public ::testing::TestWithParam<WorkCase> {};

TEST_P(SvgWorkEstimateTest, CountsEveryInstanceDrawn) {
  const WorkCase& c = GetParam();
  EXPECT_EQ(SvgWorkEstimate(c.markup), c.work);
}

const std::string kSize = "width='8' height='8'";
// The group: itself and two shapes, 3 in all.
const std::string kGroup = "<g id='g'><rect width='1' height='1'/><circle r='1'/></g>";

INSTANTIATE_TEST_SUITE_P(
    Markup, SvgWorkEstimateTest,
    ::testing::Values(
        WorkCase{"RootAndTwoShapes", SvgDocument(kSize, "<rect width='1' height='1'/><path/>"), 3},
        WorkCase{"CommentsPisCdataAndQuotedBracketsAreNotElements",
                 "<?xml version='1.0'?><!-- <g> --><svg a='<b>' c=\"/>\">"
                 "<style><![CDATA[ rect > g {} ]]></style></svg>",
                 2},
        // Each <use> draws the group again: 1 + 3 + 2 * (1 + 3).
        WorkCase{"UseDrawsItsTargetAgain",
                 SvgDocument(kSize, kGroup + "<use xlink:href='#g'/><use href='#g'/>"), 12},
        // Each filtered shape runs both primitives: 1 + (1 + 2 * 16) + 2 * (1 + 33).
        WorkCase{"FilterPrimitivesPerReference",
                 SvgDocument(kSize,
                             "<filter id='f'><feGaussianBlur/><feOffset/></filter>"
                             "<rect filter='url(#f)'/><rect style='filter: url( \"#f\" )'/>"),
                 1 + 33 + 2 * 34},
        // A style sheet may apply its references to any element: each of the
        // five elements (the style sheet's own among them) pays for the group
        // once more.
        WorkCase{"StyleSheetReferencesChargeEveryElement",
                 SvgDocument(kSize, "<style>rect { mask: url(#g) }</style>" + kGroup), 5 + 5 * 3},
        // Illustrator writes styles into entities.
        WorkCase{"ReferencesThroughEntities",
                 "<!DOCTYPE svg [<!ENTITY s 'fill:url(#g);'>]>" +
                     SvgDocument(kSize, kGroup + "<rect style='&s;'/>"),
                 1 + 3 + 1 + 3},
        WorkCase{"CyclesEndAtTheElementBeingCounted",
                 SvgDocument(kSize, "<g id='a'><use href='#b'/></g><g id='b'><use href='#a'/></g>"),
                 1 + 2 + 2 + 2},
        WorkCase{"EntityHoldingMarkup",
                 "<!DOCTYPE svg [<!ENTITY e '<g/>'>]>" + SvgDocument(kSize, "&e;"), UINT64_MAX},
        WorkCase{"EntityHoldingEntities",
                 "<!DOCTYPE svg [<!ENTITY a 'x'><!ENTITY b '&a;&a;'>]>" + SvgDocument(kSize, ""),
                 UINT64_MAX},
        WorkCase{"ParameterEntity",
                 "<!DOCTYPE svg [<!ENTITY % p 'x'> %p;]>" + SvgDocument(kSize, ""), UINT64_MAX},
        WorkCase{"UnquotedAttribute", "<svg width=8 height='8'></svg>", UINT64_MAX},
        WorkCase{"UnclosedElement", "<svg><g></svg>", UINT64_MAX},
        WorkCase{"StrayEndTag", "<svg></svg></g>", UINT64_MAX},
        WorkCase{"UnterminatedComment", "<svg><!-- </svg>", UINT64_MAX}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SvgWorkLimits, BoundDepthElementsAndWork) {
  const SvgWorkLimits limits{.maxDepth = 3, .maxElements = 6, .maxWork = 40};
  struct Case {
    const char* name;
    std::string markup;
    bool within;
  };
  const Case cases[] = {
      {"DepthAtTheBound", "<svg><g><g><rect/></g></g></svg>", true},
      {"DepthPastTheBound", "<svg><g><g><g></g></g></g></svg>", false},
      {"ElementsAtTheBound", "<svg><a/><a/><a/><a/><a/></svg>", true},
      {"ElementsPastTheBound", "<svg><a/><a/><a/><a/><a/><a/></svg>", false},
      // 1 + 3 + 1 + 16 + 16 = 37, then one more reference to the filter passes 40.
      {"WorkAtTheBound", "<svg><filter id='f'><fe/></filter><r filter='url(#f)'/></svg>", true},
      {"WorkPastTheBound",
       "<svg><filter id='f'><fe/></filter><r filter='url(#f)'/><r filter='url(#f)'/></svg>", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SvgWorkWithinLimits(c.markup, limits), c.within) << c.name;
  }
}

// A chain of references, each to an element further on, would make the count
// recurse as deep as the chain is long; past a bound it is cut off and refused.
TEST(SvgWorkLimits, RefusesReferenceChainsLongerThanAnyDocumentNeeds) {
  std::string body;
  for (int i = 0; i < 100000; ++i) {
    body += "<use id='r" + std::to_string(i) + "' href='#r" + std::to_string(i + 1) + "'/>";
  }
  EXPECT_FALSE(SvgWorkWithinLimits(
      SvgDocument("width='8' height='8'", body),
      SvgWorkLimits{.maxDepth = 128, .maxElements = 200000, .maxWork = UINT64_MAX / 2}));
}

}  // namespace
}  // namespace zelmor
