#pragma once

#include <cstdint>
#include <string_view>

namespace zelmor {

// The renderer has no way to stop a drawing once it has begun, and an SVG can
// make it draw one shape billions of times (<use> of groups of <use>, filters
// on many instances, long filter chains). So a document's markup is read
// coarsely before it is parsed, and the work its references can multiply into
// is bounded up front.
struct SvgWorkLimits {
  // Elements nested inside one another; each isolated group keeps a canvas of
  // its own while its children draw.
  int32_t maxDepth = 128;
  int32_t maxElements = 200000;
  // Element instances drawn, following every reference (href, url(#id)) as
  // often as it is made; a filter primitive counts kFilterPrimitiveWork.
  // 200000 instances of canvas-wide shapes take some 20 s at 256 x 256.
  uint64_t maxWork = 200000;
};

// A filter primitive reads and writes its whole region, where a shape only
// fills its outline: measured, one costs a dozen shapes or more.
inline constexpr uint64_t kFilterPrimitiveWork = 16;

// True when the document's markup parses as far as this coarse reading goes
// (tags, quoted attributes, comments, CDATA, processing instructions, a DOCTYPE)
// and stays within `limits`. False for markup it cannot follow: NUL bytes
// (UTF-16 documents), unterminated constructs, unquoted attributes, and
// parameter entities, and entities whose text holds markup or other entities.
bool SvgWorkWithinLimits(std::string_view markup, const SvgWorkLimits& limits = {});

// The work figure the limit is compared against, for measuring real
// documents; UINT64_MAX when the markup cannot be followed or passes the depth
// or element bounds.
uint64_t SvgWorkEstimate(std::string_view markup, const SvgWorkLimits& limits = {});

}  // namespace zelmor
