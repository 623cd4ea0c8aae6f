#!/usr/bin/env bash
# How closely zelmor-cli's icon entries drawn from SVG icons match rsvg-convert
# drawing the same files at the same size. Picks about 20 real icons from the
# installed Papirus and breeze themes (no links, no symbolic ones), writes each
# as an icon at 16 and at 256 px and prints the PSNR of every entry against
# rsvg-convert -w N -h N, composited over white and over black (the worse of
# the two), then the median and the minimum per size.
# Usage: bench/svg_vs_rsvg.sh [zelmor-cli]   (default build/release/cli/zelmor-cli)
set -euo pipefail
cd "$(dirname "$0")/.."

cli=${1:-build/release/cli/zelmor-cli}
python=/usr/bin/python3  # Debian's, which has Pillow
for tool in "$cli" rsvg-convert "$python"; do
  command -v "$tool" >/dev/null || { echo "svg_vs_rsvg: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Ten from each theme, every 20th eligible file in a fixed order, so that runs
# compare the same icons.
for theme in /usr/share/icons/Papirus/64x64/apps /usr/share/icons/breeze/apps/48; do
  find "$theme" -name '*.svg' -type f ! -iname '*symbolic*' 2>/dev/null | LC_ALL=C sort |
    awk 'NR % 20 == 1' | head -n 10
done >"$work/list"
[ -s "$work/list" ] || { echo "svg_vs_rsvg: no icon theme SVGs found" >&2; exit 1; }

: >"$work/results"
i=0
while IFS= read -r svg; do
  i=$((i + 1))
  for n in 16 256; do
    ico="$work/$i-$n.ico"
    png="$work/$i-$n.png"
    if ! "$cli" "$svg" -s "$n" -d 32 -o "$ico" >/dev/null 2>"$work/err"; then
      echo "FAILED $n $svg: $(cat "$work/err")"
      continue
    fi
    rsvg-convert -w "$n" -h "$n" -o "$png" "$svg"
    "$python" - "$ico" "$png" "$n" "$svg" >>"$work/results" <<'PY'
import math, sys
from PIL import Image
ico, png, n, name = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
ours = Image.open(ico).ico.getimage((n, n)).convert("RGBA")
theirs = Image.open(png).convert("RGBA")
worst = math.inf
for background in ((255, 255, 255, 255), (0, 0, 0, 255)):
    a = Image.alpha_composite(Image.new("RGBA", (n, n), background), ours).convert("RGB").tobytes()
    b = Image.alpha_composite(Image.new("RGBA", (n, n), background), theirs).convert("RGB").tobytes()
    mse = sum((x - y) ** 2 for x, y in zip(a, b)) / len(a)
    worst = min(worst, math.inf if mse == 0 else 10 * math.log10(255 * 255 / mse))
print(f"{n} {worst:.2f} {name}")
PY
  done
done <"$work/list"

cat "$work/results"
"$python" - "$work/results" <<'PY'
import math, statistics, sys
rows = [line.split(" ", 2) for line in open(sys.argv[1]) if line.strip()]
for n in ("16", "256"):
    values = [float(v) for size, v, _ in rows if size == n]
    if values:
        finite = [v if math.isfinite(v) else 99.0 for v in values]
        print(f"{n} px: {len(values)} files, median {statistics.median(finite):.2f} dB, "
              f"minimum {min(finite):.2f} dB (99 = identical)")
PY
