#!/usr/bin/env bash
# Builds and runs once what the README's other commands build and run, so that none of them can
# stop working unnoticed: the release build with every benchmark (what scripts/run.sh builds),
# a short run of each benchmark, the program's screenshot on the simulated network, a scan from
# the command line, the dev preset with its tests, and the libFuzzer build with a short run of
# every fuzz target. No timings are checked: each step must start, finish and produce what it
# promises.
#
#   bash scripts/ci-commands.sh        (CI runs it after scripts/test.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

# netpbm only tells whether the screenshot shows anything.
bash scripts/install-deps.sh netpbm

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

step() { printf '\n== %s (%s)\n' "$1" "$(date +%T)"; }
fail() { printf 'ci-commands: %s\n' "$1" >&2; exit 1; }

step "release build with the benchmarks"
cmake --preset release
cmake --build --preset release

step "every benchmark once"
bench=build/release/bench
# Google Benchmark programs: one short round each.
google=(link_bench project_bench gateway_image_bench sim_bench ui_bench fw_update_bench
        gateway_dialog_bench)
# Programs that print their own figures.
plain=(gateway_read_bench project_memory)
for program in "$bench"/*; do
  [ -f "$program" ] && [ -x "$program" ] || continue
  name=$(basename "$program")
  case " ${google[*]} ${plain[*]} " in
    *" $name "*) ;;
    *) fail "$name is a benchmark this script does not run: add it to google or plain" ;;
  esac
done
for name in "${google[@]}"; do
  echo "-- $name"
  QT_QPA_PLATFORM=offscreen "$bench/$name" --benchmark_min_time=0.01 >"$scratch/$name.txt" 2>&1 \
    || { cat "$scratch/$name.txt"; fail "$name failed"; }
  grep -v -e 'does not support' "$scratch/$name.txt"
  # A benchmark that gives up (SkipWithError) still exits 0.
  if grep -q 'ERROR OCCURRED' "$scratch/$name.txt"; then fail "$name reported an error"; fi
done
echo "-- gateway_read_bench"
"$bench/gateway_read_bench" || fail "gateway_read_bench failed"
echo "-- project_memory"
"$bench/project_memory" make "$scratch/memory.cvp"
"$bench/project_memory" load "$scratch/memory.cvp"
"$bench/project_memory" save "$scratch/memory.cvp"
echo "-- cli_fw_batch.sh"
bash bench/cli_fw_batch.sh | tee "$scratch/batch.txt"
grep -q '^10 of 10 updated' "$scratch/batch.txt" || fail "the batch update did not update all ten"

step "scripts/run.sh --screenshot on a virtual display"
shot="$scratch/shot.png"
# Without DISPLAY the script starts its own virtual display; a scratch profile leaves the
# user's own untouched (and shows the first start's service-code prompt, as on a new machine).
env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME="$scratch/config" timeout 300 \
  bash scripts/run.sh --screenshot "$shot" || fail "scripts/run.sh --screenshot failed"
[ -s "$shot" ] || fail "no screenshot was written"
colours=$(pngtopnm "$shot" | ppmhist -noheader | wc -l)
echo "screenshot: $(stat -c %s "$shot") bytes, $colours colours"
[ "$colours" -ge 16 ] || fail "the screenshot is blank ($colours colours)"

step "corvane-cli scan --simulate"
build/release/src/cli/corvane-cli scan --simulate | tee "$scratch/scan.txt"
heard=$(grep -c '^0x[0-9A-F]\{8\} ' "$scratch/scan.txt" || true)
grep -q "^$heard devices heard$" "$scratch/scan.txt" || fail "the scan's count does not match its rows"
[ "$heard" -gt 0 ] || fail "the scan lists no devices"

step "dev build and its tests (the README's developer example)"
cmake --preset dev
cmake --build --preset dev
ctest --preset dev

step "fuzz build (clang, libFuzzer)"
cmake --preset fuzz
cmake --build --preset fuzz

step "every fuzz target briefly, from its corpus"
count=0
for target in build/fuzz/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$root/fuzz/corpus/${name#fuzz_}"
  [ -d "$corpus" ] || fail "$name has no corpus folder"
  # New inputs go to a scratch folder first in the list, never into the committed corpus.
  mkdir -p "$scratch/new/$name"
  echo "-- $name"
  # A fixed seed: the same 2,000 inputs on every run, so a failure here is repeatable.
  "$target" -seed=1 -runs=2000 -max_total_time=20 -artifact_prefix="$scratch/" \
    "$scratch/new/$name" "$corpus" 2>"$scratch/$name.log" \
    || { tail -40 "$scratch/$name.log"; fail "$name failed"; }
  # It read its corpus (INITED counts the inputs it kept) and ran to the end.
  grep -E '^#[0-9]+[[:space:]]+INITED' "$scratch/$name.log" \
    || { tail -20 "$scratch/$name.log"; fail "$name did not read its corpus"; }
  grep -E '^Done [0-9]+ runs' "$scratch/$name.log" \
    || { tail -20 "$scratch/$name.log"; fail "$name did not finish its runs"; }
  count=$((count + 1))
done
[ "$count" -gt 0 ] || fail "no fuzz target was built"
echo "$count fuzz targets ran"
