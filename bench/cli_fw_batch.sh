#!/usr/bin/env bash
# A batch firmware update of 10 simulated Quadrel-B input nodes through corvane-cli: the demo
# network's own one (0x01400603) and nine more from --sim-batch. Prints the summary table and
# the wall and CPU time of the whole run (start-up, the dongle's connect sequence, the 10
# updates in turn and the leave).
#
#   bench/cli_fw_batch.sh [path/to/corvane-cli]     (default: build/release/src/cli/corvane-cli)
#
# The simulated network runs on the real clock, so the wall time is the protocol's own (radio
# air time, acknowledgements, the restarts) and the CPU time is what the program spends on it.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cli="${1:-$here/build/release/src/cli/corvane-cli}"
firmware="$here/examples/firmware/quadrel-b_4.10.bin"
targets=(0x01400603)
for i in $(seq 0 8); do targets+=("$(printf '0x%08X' $((0x01400700 + i)))"); done

TIMEFORMAT=$'\n10 targets: wall %R s, CPU %U s user + %S s system'
time "$cli" fw-update "$firmware" "${targets[@]}" --simulate --sim-batch 9 2>/dev/null \
  | grep -v '%$'
