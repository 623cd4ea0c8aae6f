# Shared by the whole-process benchmark scripts; sourced, not run.

# Stops with a message unless every argument is an executable file.
require_built() {
  local tool
  for tool in "$@"; do
    [ -x "$tool" ] || { echo "missing $tool: build the release preset first" >&2; exit 1; }
  done
}

# Stops with a message unless every named command is installed.
require_commands() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
  done
}

# Sets `work` to a scratch folder removed when the script exits.
make_work_folder() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
}

# Peak resident memory of one run of "$@", in KiB: the median of three runs.
# Needs `work` and /usr/bin/time.
peak_kib() {
  for _ in 1 2 3; do
    /usr/bin/time -f %M -o "$work/peak" "$@" >/dev/null 2>&1
    cat "$work/peak"
  done | sort -n | sed -n 2p
}
