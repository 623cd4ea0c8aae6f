#!/usr/bin/env bash
# Installs what is missing, builds and starts Zelmor.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh
cmake --preset release
cmake --build --preset release
if [ -x build/release/app/Zelmor ]; then
  exec build/release/app/Zelmor "$@"
fi
echo "Built build/release/cli/zelmor-cli; the dialog is not part of this build yet." >&2
exec build/release/cli/zelmor-cli --help
