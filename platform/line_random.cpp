#include "platform/line_random.h"

namespace zelmor::LineRandom {
namespace {

thread_local uint32_t state = 1;

}  // namespace

void Seed(uint32_t seed) {
  state = seed;
}

int Next() {
  state = state * 214013u + 2531011u;
  return static_cast<int>((state >> 16) & 0x7FFFu);
}

uint32_t State() {
  return state;
}

}  // namespace zelmor::LineRandom
