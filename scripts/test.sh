#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test;
# then runs the whole suite again under AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer, and fuzzes every libFuzzer target for a bounded
# time. Any test failure, sanitizer report or fuzzing finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake --preset ci
cmake --build --preset ci
ctest --preset ci

# The same tests, built with the sanitizers.
cmake --preset asan
cmake --build --preset asan
ctest --preset asan

# Every fuzz target from fresh seeds, half a minute each.
cmake --preset fuzz
cmake --build --preset fuzz
./scripts/make-seed-corpus.sh
./fuzz/run-fuzzers.sh 30
