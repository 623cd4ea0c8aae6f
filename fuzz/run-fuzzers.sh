#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) for SECONDS each, starting from
# the seed corpus, and fails on the first finding. The inputs a run discovers
# are kept in build/fuzz/work/<target> for the next run; findings are written
# to build/fuzz/findings/ and, once fixed, belong in tests/regression/.
# Usage: fuzz/run-fuzzers.sh SECONDS [target...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: fuzz/run-fuzzers.sh SECONDS [target...]}
shift
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_ico_overlay fuzz_decode_entry fuzz_generate_icon fuzz_encode_roundtrip fuzz_inspect
    fuzz_vector_picture fuzz_bmp_decoder fuzz_tga_decoder fuzz_picture_metadata fuzz_decode_heif
    fuzz_decode_avif fuzz_decode_jxl fuzz_streamed_png fuzz_scaled_jpeg)
fi

build=build/fuzz
mkdir -p "$build/findings" "$build/logs"
export QT_QPA_PLATFORM=offscreen
# The same leaks of system libraries the sanitizer tests allow.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
for target in "${targets[@]}"; do
  # A picture at the imaging limit (16384 x 16384), which a 34-byte WebP, a
  # 70-byte run-length BMP or a 600-byte JPEG can declare, takes one to two
  # minutes to decode and scale with the sanitizers and coverage on a loaded
  # machine (under 2 s in a release build); only a run well past that is a
  # hang. The other targets never take a second.
  timeout=10
  if [ "$target" = fuzz_generate_icon ]; then
    timeout=300
  fi
  mkdir -p "$build/work/$target"
  log="$build/logs/$target.log"
  # Memory that is really used counts against 2 GiB. A single allocation may
  # reserve more than it ever touches: Qt's ICNS reader sizes a buffer from an
  # element length in the file (8 GiB for a 1 KB file, of which it fills a few
  # bytes), which is address space, not memory.
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 \
      -malloc_limit_mb=16384 -timeout="$timeout" \
      -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
      "$build/work/$target" "$build/corpus/$target" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "fuzz: $target found a problem; the input is in $build/findings/ (log: $log)" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log")
  echo "fuzz: $target: $runs runs in ${seconds} s, $speed runs/s, peak RSS $rss MB"
done
