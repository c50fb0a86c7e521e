#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the native, sanitizer,
# Windows and fuzz trees, runs their ctest suites (the Windows ones under
# Wine, the fuzz ones replaying corpora and regressions) and a fuzz smoke.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

# Clones in other folders share the compiler cache.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
jobs=$(nproc 2>/dev/null || echo 2)
status=0
# host first: the Windows scenarios build their setups with its stubpack.
for preset in host asan win32 fuzz; do
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
for preset in host asan win32 fuzz; do
  echo "=== $preset: tests"
  ctest --preset "$preset" || status=1
done
echo "=== fuzz smoke: every target for a few seconds"
bash scripts/fuzz.sh 5 || status=1
exit $status
