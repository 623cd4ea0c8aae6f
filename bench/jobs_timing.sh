#!/usr/bin/env bash
# Times zelmor-cli converting a batch of 40 copies of a 1024x1024 RGBA PNG to
# all 8 sizes, one input at a time (-j 1) against two at a time (-j 2). Prints
# both medians and their ratio against the target (-j 2 at least 1.6 times as
# fast), after checking that both job counts write identical files, with and
# without random lines.
#
#   bench/jobs_timing.sh [BUILD_DIR] [RUNS]     (default build/release, 10)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
runs=${2:-10}
cli=$build/cli/zelmor-cli
make_png=$build/bench/decode_only
. bench/common.sh
require_built "$cli" "$make_png"
require_commands hyperfine python3 cmp
make_work_folder
count=40

# The same inputs in one folder per job count, so each leaves its own outputs.
"$make_png" --make "$work/picture.png" 1024
for jobs in 1 2; do
  mkdir "$work/j$jobs"
  for i in $(seq -w 1 "$count"); do
    cp "$work/picture.png" "$work/j$jobs/p$i.png"
  done
done
inputs() { for i in $(seq -w 1 "$count"); do printf '%s ' "$work/j$1/p$i.png"; done; }

# Identical bytes for any job count, plain and with seeded lines.
for lines in "" "-l 5-10 --seed 7"; do
  for jobs in 1 2; do
    # shellcheck disable=SC2046,SC2086
    "$cli" $(inputs "$jobs") -s all $lines -j "$jobs" >"$work/out$jobs" 2>"$work/err$jobs"
  done
  sed "s#/j1/#/j2/#" "$work/out1" | cmp -s - "$work/out2" || { echo "stdout differs" >&2; exit 1; }
  cmp -s "$work/err1" "$work/err2" || { echo "stderr differs" >&2; exit 1; }
  for i in $(seq -w 1 "$count"); do
    cmp "$work/j1/p$i生成.ico" "$work/j2/p$i生成.ico" ||
      { echo "outputs differ with '${lines:-no lines}'" >&2; exit 1; }
  done
done
echo "outputs identical at -j 1 and -j 2 ($count inputs, with and without lines)"

hyperfine -N --warmup 1 --runs "$runs" --export-json "$work/times.json" \
  -n "jobs 1" "$cli $(inputs 1) -s all -j 1" \
  -n "jobs 2" "$cli $(inputs 2) -s all -j 2" >/dev/null
python3 - "$work/times.json" "$count" <<'PY'
import json
import statistics
import sys

results = json.load(open(sys.argv[1]))["results"]
medians = [statistics.median(r["times"]) * 1000 for r in results]
print(f"\n{sys.argv[2]} x 1024x1024 RGBA PNG, -s all, {len(results[0]['times'])} runs each")
print("| command | median ms | min ms | max ms | mean CPU ms |")
print("|---------|-----------|--------|--------|-------------|")
for r, median in zip(results, medians):
    # hyperfine keeps only the mean of CPU times; with both cores free the
    # -j 2 median approaches half its CPU time.
    cpu = (r["user"] + r["system"]) * 1000
    print(f"| {r['command']:<7} | {median:9.1f} | {min(r['times']) * 1000:6.1f} "
          f"| {max(r['times']) * 1000:6.1f} | {cpu:11.1f} |")
ratio = medians[0] / medians[1]
print(f"-j 1 / -j 2: {ratio:.2f} (target at least 1.60: {'met' if ratio >= 1.6 else 'MISSED'})")
PY
