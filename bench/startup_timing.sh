#!/usr/bin/env bash
# Times zelmor-cli start-up: whole runs converting a 16x16 PNG with the default
# options, where start-up is nearly all of the time, and counts the shared
# libraries the process maps (linked ones as ldd lists them; all, including
# those opened at run time, as the dynamic loader reports them with
# LD_DEBUG=files). Given a second zelmor-cli, say one built from an earlier
# commit, it measures that one the same way and prints the ratio of medians.
# Needs hyperfine and python3.
#
#   bench/startup_timing.sh [BUILD_DIR] [BASELINE_CLI] [RUNS]
#                                  (default build/release, none, 50)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
baseline=${2:-}
runs=${3:-50}
cli=$build/cli/zelmor-cli
. bench/common.sh
require_built "$cli"
[ -z "$baseline" ] || [ -x "$baseline" ] || { echo "missing $baseline" >&2; exit 1; }
require_commands hyperfine python3 ldd
make_work_folder
png=$work/picture.png
python3 - "$png" <<'EOF_PNG'
import struct, sys, zlib

def chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

rows = b"".join(b"\0" + bytes(v for x in range(16) for v in (x * 16, y * 16, 128, 255))
                for y in range(16))
with open(sys.argv[1], "wb") as out:
    out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 16, 16, 8, 6, 0, 0, 0))
              + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
EOF_PNG

names=("zelmor-cli")
binaries=("$cli")
if [ -n "$baseline" ]; then
  names=("baseline" "zelmor-cli")
  binaries=("$baseline" "$cli")
fi

echo "16x16 RGBA PNG, default options, $runs runs each"
printf '| %-10s | linked (ldd) | mapped in the run (LD_DEBUG) |\n' command
printf '|------------|--------------|------------------------------|\n'
commands=()
for i in "${!names[@]}"; do
  binary=${binaries[$i]}
  "$binary" "$png" >/dev/null || { echo "$binary failed to convert $png" >&2; exit 1; }
  linked=$(ldd "$binary" | grep -c '=>' || true)
  mapped=$(LD_DEBUG=files "$binary" "$png" 2>&1 >/dev/null |
           sed -n 's/.*file=\([^ ]*\) .*/\1/p' | sort -u | wc -l)
  printf '| %-10s | %12s | %28s |\n' "${names[$i]}" "$linked" "$mapped"
  commands+=(-n "${names[$i]}" "$binary $png")
done

# The paths hold no spaces (mktemp and the build tree), so no quoting is needed.
hyperfine -N --warmup 5 --runs "$runs" --export-json "$work/times.json" "${commands[@]}" >/dev/null
python3 - "$work/times.json" <<'EOF_REPORT'
import json
import statistics
import sys

results = json.load(open(sys.argv[1]))["results"]
print(f"\n| {'command':<10} | median ms | min ms | mean user ms | mean system ms |")
print(f"|{'-' * 12}|-----------|--------|--------------|----------------|")
medians = []
for r in results:
    median = statistics.median(r["times"]) * 1000
    medians.append(median)
    print(f"| {r['command']:<10} | {median:9.1f} | {min(r['times']) * 1000:6.1f} "
          f"| {r['user'] * 1000:12.1f} | {r['system'] * 1000:14.1f} |")
if len(medians) == 2:
    print(f"baseline / zelmor-cli median: {medians[0] / medians[1]:.2f}")
EOF_REPORT
