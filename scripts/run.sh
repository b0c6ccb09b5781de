#!/usr/bin/env bash
# Installs what is missing, builds Corvane (release) and starts it on the built-in simulated
# network with the demo project. Arguments replace the demo project (another *.cvp file).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake --preset release
cmake --build --preset release --target corvane

if [ $# -eq 0 ]; then
  set -- examples/demo-network.cvp
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting on a virtual one (xvfb-run). Add --screenshot FILE to see it." >&2
  exec xvfb-run -a ./build/release/src/corvane --simulate "$@"
fi
exec ./build/release/src/corvane --simulate "$@"
