#!/usr/bin/env bash
# Times whole zelmor-cli runs (all 8 sizes at 32 bits) against decoding the same
# PNG alone and against ImageMagick, on generated 1024x1024 and 4096x4096 RGBA
# pictures, and measures each command's peak memory. Prints medians, each
# median's ratio to the decode-only one, and zelmor-cli's two targets: at most
# 1.3 times the decode-only time, and for 4096x4096 a peak of at most 1.6 times
# the decoded picture (64 MiB) plus 40 MiB. Installs nothing: ImageMagick is
# skipped when missing.
#
#   bench/cli_vs_imagemagick.sh [BUILD_DIR] [RUNS]     (default build/release, 20)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
runs=${2:-20}
cli=$build/cli/zelmor-cli
decode=$build/bench/decode_only
. bench/common.sh
require_built "$cli" "$decode"
require_commands hyperfine python3
[ -x /usr/bin/time ] || { echo "/usr/bin/time is not installed (Debian package time)" >&2; exit 1; }
make_work_folder

for n in 1024 4096; do
  png=$work/picture-$n.png
  "$decode" --make "$png" "$n"
  names=("decode only" "zelmor-cli")
  lines=("$decode $png" "$cli $png -s all -d 32 -o $work/zelmor-$n.ico")
  if command -v convert >/dev/null; then
    names+=("imagemagick")
    lines+=("convert $png -define icon:auto-resize=256,128,96,64,48,32,24,16 $work/magick-$n.ico")
  fi
  commands=()
  peaks=()
  for i in "${!names[@]}"; do
    commands+=(-n "${names[$i]}" "${lines[$i]}")
    # The command lines hold no quoted arguments, so word splitting is enough.
    # shellcheck disable=SC2086
    peaks+=("$(peak_kib ${lines[$i]})")
  done
  hyperfine -N --warmup 3 --runs "$runs" --export-json "$work/times-$n.json" \
    "${commands[@]}" >/dev/null
  python3 - "$work/times-$n.json" "$n" "${peaks[@]}" <<'EOF'
import json
import statistics
import sys

results = json.load(open(sys.argv[1]))["results"]
side = int(sys.argv[2])
peaks = [int(kib) for kib in sys.argv[3:]]
medians = [statistics.median(r["times"]) * 1000 for r in results]
user = [r["user"] * 1000 for r in results]  # hyperfine keeps only the mean of CPU times
decode = medians[0]
print(f"\n{side}x{side} RGBA PNG, {len(results[0]['times'])} runs each")
print(f"| {'command':<12} | median ms | x decode | mean user ms | peak MiB |")
print(f"|{'-' * 14}|-----------|----------|--------------|----------|")
for r, median, cpu, peak in zip(results, medians, user, peaks):
    print(f"| {r['command']:<12} | {median:9.1f} | {median / decode:8.2f} | {cpu:12.1f} "
          f"| {peak / 1024:8.1f} |")
ratio = medians[1] / decode
print(f"zelmor-cli / decode only: {ratio:.2f} (target at most 1.30: "
      f"{'met' if ratio <= 1.3 else 'MISSED'})")
if side == 4096:
    limit = 1.6 * side * side * 4 / 2**20 + 40
    peak = peaks[1] / 1024
    print(f"zelmor-cli peak memory: {peak:.1f} MiB (target at most {limit:.1f} MiB: "
          f"{'met' if peak <= limit else 'MISSED'})")
EOF
done
