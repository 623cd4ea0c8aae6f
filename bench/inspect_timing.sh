#!/usr/bin/env bash
# Times zelmor-cli --inspect on a 9-entry icon (16 to 256 px, PNG and bitmap
# entries at 4, 8, 24 and 32 bits), as text and as JSON, against the same run
# on a one-entry 16 px icon, which measures the program's start-up alone.
#
#   bench/inspect_timing.sh [BUILD_DIR]     (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
cli=$build/cli/zelmor-cli
make_png=$build/bench/decode_only
for tool in "$cli" "$make_png"; do
  [ -x "$tool" ] || { echo "missing $tool: build the release preset first" >&2; exit 1; }
done
command -v hyperfine >/dev/null || { echo "hyperfine is not installed; nothing to time" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One single-entry icon per image: PNG entries for 256 and 128, bitmap
# entries from zelmor-cli for the rest, at every depth.
"$make_png" --make "$work/p256.png" 256
"$make_png" --make "$work/p128.png" 128
"$make_png" --make "$work/source.png" 512
entries=("png:$work/p256.png" "png:$work/p128.png")
depth_of=([96]=32 [64]=24 [48]=8 [40]=4 [32]=32 [24]=8 [16]=4)
for size in 96 64 48 40 32 24 16; do
  "$cli" "$work/source.png" -s "$size" -d "${depth_of[$size]}" -o "$work/e$size.ico" >/dev/null
  entries+=("ico:$work/e$size.ico")
done
"$cli" "$work/source.png" -s 16 -d 32 -o "$work/one.ico" >/dev/null

python3 - "$work/mixed.ico" "${entries[@]}" <<'PY'
import struct, sys
out, specs = sys.argv[1], sys.argv[2:]
blocks = []
for spec in specs:
    kind, path = spec.split(":", 1)
    data = open(path, "rb").read()
    if kind == "png":
        w, h = struct.unpack(">II", data[16:24])
        blocks.append((w, 32, data))
    else:  # the single block of a one-entry icon
        w, _, _, _, _, bits, size, offset = struct.unpack("<BBBBHHII", data[6:22])
        blocks.append((w or 256, bits, data[offset:offset + size]))
offset = 6 + 16 * len(blocks)
head = struct.pack("<HHH", 0, 1, len(blocks))
for w, bits, data in blocks:
    head += struct.pack("<BBBBHHII", w % 256, w % 256, 0, 0, 1, bits, len(data), offset)
    offset += len(data)
open(out, "wb").write(head + b"".join(b for _, _, b in blocks))
PY

hyperfine -N --warmup 5 --runs 100 --export-json "$work/inspect.json" \
  -n "one 16 px entry" "$cli --inspect $work/one.ico" \
  -n "nine mixed entries" "$cli --inspect $work/mixed.ico" \
  -n "nine mixed entries, JSON" "$cli --inspect --json $work/mixed.ico" >&2
"$cli" --inspect "$work/mixed.ico" >&2
python3 - "$work/inspect.json" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
base = results[0]["median"]
print("| run | median [ms] | beyond start-up [ms] |")
print("|---|---:|---:|")
for r in results:
    print(f"| {r['command']} | {r['median'] * 1000:.1f} | {(r['median'] - base) * 1000:.1f} |")
PY
