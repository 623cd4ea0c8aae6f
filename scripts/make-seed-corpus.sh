#!/usr/bin/env bash
# Writes the fuzz targets' seed corpora (valid icons of every depth and form,
# PNG entries, pictures of every readable format) under build/fuzz/corpus, one
# folder per target, from the fuzz build's make_seed_corpus program.
# Usage: scripts/make-seed-corpus.sh [corpus folder]
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/fuzz
corpus=${1:-$build/corpus}
if [ ! -f "$build/build.ninja" ]; then
  cmake --preset fuzz
fi
cmake --build "$build" --target make_seed_corpus
rm -rf "$corpus"
# x265, which encodes the HEIC seeds through libheif, keeps a few buffers until
# the process ends; that is not a leak of ours.
QT_QPA_PLATFORM=offscreen LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp" \
  "$build/fuzz/make_seed_corpus" "$corpus"
