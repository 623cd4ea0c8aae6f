#pragma once

#include <cstdint>

namespace zelmor {

// The program's one pseudo-random generator, the classic linear congruential
// one: state = state * 214013 + 2531011 (mod 2^32), result (state >> 16) & 0x7FFF.
// One state per thread, 1 until seeded. Its exact sequence is part of the
// program's behaviour: the same seed always draws the same lines.
namespace LineRandom {

void Seed(uint32_t seed);
int Next();  // 0..32767
uint32_t State();

}  // namespace LineRandom
}  // namespace zelmor
