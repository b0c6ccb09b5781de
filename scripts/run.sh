#!/usr/bin/env bash
# Installs what is missing, builds Corvane (release) and starts it on the built-in simulated
# network with the demo project. Arguments go to the program (another *.cvp file replaces the
# demo project; --screenshot FILE saves a picture and quits).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake --preset release
cmake --build --preset release --target corvane

# Without a project file among the arguments, the demo network's project opens.
has_project=0
for arg in "$@"; do
  case "$arg" in *.cvp|*.CVP) has_project=1 ;; esac
done
if [ $has_project -eq 0 ]; then
  set -- "$@" examples/demo-network.cvp
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting on a virtual one (xvfb-run). Add --screenshot FILE to see it." >&2
  exec xvfb-run -a ./build/release/src/corvane --simulate "$@"
fi
exec ./build/release/src/corvane --simulate "$@"
