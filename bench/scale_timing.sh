#!/usr/bin/env bash
# Times whole zelmor-cli runs (all 8 sizes at 32 bits) against Qt's own
# decode of the same file alone (build/.../bench/decode_only, Qt's allocation
# limit lifted), and measures peak memory: RGBA PNGs of 1024, 4096 and 16384
# px a side, and a 4096 px JPEG. Prints hyperfine medians, each run's ratio to
# the decode-only median and the peak resident memory, with the targets:
#   1024 PNG at most 1.15 x, 4096 PNG at most 1.05 x and 40 MiB,
#   16384 PNG at most 1.1 x and 100 MiB, 4096 JPEG at most 0.6 x.
#
#   bench/scale_timing.sh [BUILD_DIR] [RUNS]     (default build/release, 20)
# The 16384 px case takes a few seconds a run and is timed 3 times.
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

# case NAME FILE RUNS TIME_TARGET [PEAK_TARGET_MIB]
measure() {
  local name=$1 file=$2 n=$3 target=$4 peak_target=${5:-0}
  local decode_line="$decode $file"
  local cli_line="$cli $file -s all -d 32 -o $work/out.ico"
  # shellcheck disable=SC2086
  local decode_peak cli_peak
  decode_peak=$(peak_kib $decode_line)
  cli_peak=$(peak_kib $cli_line)
  hyperfine -N --warmup 2 --runs "$n" --export-json "$work/times.json" \
    -n "decode only" "$decode_line" -n "zelmor-cli" "$cli_line" >/dev/null
  python3 - "$work/times.json" "$name" "$decode_peak" "$cli_peak" "$target" "$peak_target" <<'PY'
import json, statistics, sys
results = json.load(open(sys.argv[1]))["results"]
name, decode_peak, cli_peak = sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
target, peak_target = float(sys.argv[5]), float(sys.argv[6])
decode, cli = (statistics.median(r["times"]) * 1000 for r in results)
ratio = cli / decode
line = (f"| {name:<14} | {decode:9.1f} | {cli:9.1f} | {ratio:5.2f} (<= {target:.2f} "
        f"{'met' if ratio <= target else 'MISSED'}) | {decode_peak / 1024:7.1f} | {cli_peak / 1024:7.1f}")
if peak_target:
    line += f" (<= {peak_target:.0f} {'met' if cli_peak / 1024 <= peak_target else 'MISSED'})"
print(line + " |", flush=True)
PY
}

"$decode" --make "$work/p1024.png" 1024
"$decode" --make "$work/p4096.png" 4096
"$decode" --jpeg "$work/j4096.jpg" 4096
"$decode" --make "$work/p16384.png" 16384

echo "| case           | decode ms | zelmor ms | zelmor / decode       | decode MiB | zelmor MiB |"
echo "|----------------|-----------|-----------|-----------------------|------------|------------|"
measure "1024 PNG" "$work/p1024.png" "$runs" 1.15
measure "4096 PNG" "$work/p4096.png" "$runs" 1.05 40
measure "16384 PNG" "$work/p16384.png" 3 1.10 100
measure "4096 JPEG" "$work/j4096.jpg" "$runs" 0.60
