#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the native and the
# Windows trees and runs their ctest suites (the Windows ones under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
status=0
for preset in host asan win32; do
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
for preset in host asan win32; do
  echo "=== $preset: tests"
  ctest --preset "$preset" || status=1
done
exit $status
