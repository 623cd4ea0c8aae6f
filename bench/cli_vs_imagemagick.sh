#!/usr/bin/env bash
# Times whole zelmor-cli runs (all 8 sizes at 32 bits) against ImageMagick and
# against decoding the same PNG alone, on generated 1024x1024 and 4096x4096
# RGBA pictures, and reports zelmor-cli's peak memory. Installs nothing: tools
# that are missing are skipped.
#
#   bench/cli_vs_imagemagick.sh [BUILD_DIR]     (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
cli=$build/cli/zelmor-cli
decode=$build/bench/decode_only
for tool in "$cli" "$decode"; do
  [ -x "$tool" ] || { echo "missing $tool: build the release preset first" >&2; exit 1; }
done
command -v hyperfine >/dev/null || { echo "hyperfine is not installed; nothing to time" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for n in 1024 4096; do
  png=$work/picture-$n.png
  "$decode" --make "$png" "$n"
  commands=(
    -n "decode only $n" "$decode $png"
    -n "zelmor-cli $n" "$cli $png -s all -d 32 -o $work/zelmor-$n.ico"
  )
  if command -v convert >/dev/null; then
    commands+=(-n "imagemagick $n"
      "convert $png -define icon:auto-resize=256,128,96,64,48,32,24,16 $work/magick-$n.ico")
  fi
  hyperfine --warmup 2 --min-runs 10 --export-markdown "$work/table-$n.md" "${commands[@]}" >&2
  cat "$work/table-$n.md"
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -f "zelmor-cli $n peak memory: %M KiB" "$cli" "$png" -s all -d 32 \
      -o "$work/zelmor-$n.ico" >/dev/null
  fi
done
