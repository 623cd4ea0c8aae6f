#!/usr/bin/env bash
# Starts the real Zelmor dialog on a virtual X display and saves what the
# screen shows to build/screenshot.png.
#   scripts/screenshot.sh [PATH-TO-Zelmor] [OUTPUT.png]
set -euo pipefail

# Runs inside the virtual display: start the dialog, wait until its window
# is mapped, capture the whole screen, end the dialog.
if [ "${1:-}" = "--inside-display" ]; then
  program="$2" output="$3"
  "$program" &
  pid=$!
  waited=0
  until xwininfo -root -tree 2>/dev/null | grep -q 'ICO 图标生成器'; do
    sleep 0.2
    waited=$((waited + 1))
    if [ "$waited" -gt 100 ] || ! kill -0 "$pid" 2>/dev/null; then
      echo "screenshot: the Zelmor window did not appear" >&2
      kill "$pid" 2>/dev/null || true
      exit 1
    fi
  done
  sleep 1  # let the first paint finish
  import -window root "$output"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  exit 0
fi

cd "$(dirname "$0")/.."

program="${1:-build/release/app/Zelmor}"
output="${2:-build/screenshot.png}"
if [ ! -x "$program" ]; then
  cmake --preset release
  cmake --build --preset release --target Zelmor
  program=build/release/app/Zelmor
fi
mkdir -p "$(dirname "$output")"
program="$(realpath "$program")"
output="$(realpath "$output")"

xvfb-run --auto-servernum --server-args="-screen 0 800x560x24 -dpi 96" \
  "$(realpath "$0")" --inside-display "$program" "$output"
echo "saved $output"
