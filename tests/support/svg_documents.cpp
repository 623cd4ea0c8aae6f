#include "tests/support/svg_documents.h"

namespace zelmor::testing {

std::string SvgDocument(const std::string& rootAttributes, const std::string& body) {
  return "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' " +
         rootAttributes + ">" + body + "</svg>";
}

std::vector<NamedSvg> IconLikeSvgs() {
  const std::string size = "width='48' height='48' viewBox='0 0 48 48'";
  return {
      {"Gradients",
       SvgDocument(size,
                   "<defs><linearGradient id='l' x1='0' y1='0' x2='1' y2='1'>"
                   "<stop offset='0' stop-color='#2060d0'/>"
                   "<stop offset='1' stop-color='#e03010' stop-opacity='0.3'/>"
                   "</linearGradient><radialGradient id='r' cx='0.4' cy='0.35' r='0.6'>"
                   "<stop offset='0' stop-color='#fff' stop-opacity='0.9'/>"
                   "<stop offset='1' stop-color='#fff' stop-opacity='0'/>"
                   "</radialGradient></defs>"
                   "<rect x='4' y='4' width='40' height='40' rx='6' fill='url(#l)'/>"
                   "<circle cx='24' cy='22' r='15' fill='url(#r)'/>")},
      {"ClipPath", SvgDocument(size,
                               "<clipPath id='c'><circle cx='24' cy='24' r='19.5'/></clipPath>"
                               "<g clip-path='url(#c)'><rect width='48' height='24' fill='#3a8'/>"
                               "<rect y='24' width='48' height='24' fill='#e72'/>"
                               "<path d='M0 48L48 0' stroke='#fff' stroke-width='3'/></g>")},
      {"Mask", SvgDocument(size,
                           "<mask id='m'><rect width='48' height='48' fill='#fff'/>"
                           "<circle cx='30' cy='18' r='10' fill='#000'/>"
                           "<rect x='6' y='30' width='20' height='12' fill='#808080'/></mask>"
                           "<rect x='3' y='3' width='42' height='42' rx='21' fill='#5294e2' "
                           "mask='url(#m)'/>")},
      {"StyleSheet", SvgDocument(size,
                                 "<style>.a{fill:#d33;stroke:#222;stroke-width:1.5}"
                                 " .b{fill:#fd4;opacity:.75} rect.c{fill:none;stroke:#06c;"
                                 "stroke-width:2.5;stroke-dasharray:4 2}</style>"
                                 "<path class='a' d='M24 4L44 40H4z'/>"
                                 "<circle class='b' cx='24' cy='28' r='9'/>"
                                 "<rect class='c' x='8.5' y='8.5' width='31' height='31'/>")},
      {"Filter", SvgDocument(size,
                             "<filter id='s' x='-0.2' y='-0.2' width='1.4' height='1.4'>"
                             "<feGaussianBlur in='SourceAlpha' stdDeviation='1.6'/>"
                             "<feOffset dx='0' dy='1.5' result='o'/>"
                             "<feMerge><feMergeNode in='o'/><feMergeNode in='SourceGraphic'/>"
                             "</feMerge></filter>"
                             "<rect x='8' y='6' width='32' height='34' rx='4' fill='#f5f5f5' "
                             "filter='url(#s)'/><path d='M14 16h20M14 22h20M14 28h12' "
                             "stroke='#4a4a4a' stroke-width='2' stroke-linecap='round'/>")},
  };
}

}  // namespace zelmor::testing
