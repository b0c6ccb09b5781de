#!/usr/bin/env bash
# Installs what is missing, builds every test with AddressSanitizer + UndefinedBehaviorSanitizer
# and runs them; then builds the threaded transport tests with ThreadSanitizer and runs those.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake --preset ci
cmake --build --preset ci
ctest --preset ci

cmake --preset tsan
cmake --build --preset tsan --target tsan_tests
ctest --preset tsan
