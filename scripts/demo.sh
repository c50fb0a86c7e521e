#!/usr/bin/env bash
# The main job: builds stub.exe, makes a setup from it and runs it under Wine
# with the trace viewer, then shows what it traced and its exit code.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset host >/dev/null
cmake --build --preset host --target stubpack
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target stub tracev

bin=build/win32/bin
demo=build/demo
mkdir -p "$demo"
export WINEPREFIX=$PWD/build/win32/wineprefix
scripts/wine-prefix.sh "$WINEPREFIX" up
trap 'scripts/wine-run.sh "$bin/tracev.exe" /quit >/dev/null 2>&1; scripts/wine-prefix.sh "$WINEPREFIX" down' EXIT

build/host/bin/stubpack build --Stub="$bin/stub.exe" --Output="$demo/setup.exe" \
  --AgentUrl=http://127.0.0.1/ --InfoFile=product.info
rm -f "$demo/trace.txt"
scripts/wine-run.sh "$bin/tracev.exe" "$demo/trace.txt" >/dev/null 2>&1 &
for _ in $(seq 1 200); do [ -f "$demo/trace.txt" ] && break; sleep 0.05; done

set +e
scripts/wine-run.sh "$demo/setup.exe" /demo 2>/dev/null
rc=$?
set -e
scripts/wine-run.sh "$bin/tracev.exe" /quit >/dev/null 2>&1 || true
echo "--- trace of $demo/setup.exe:"
cat "$demo/trace.txt"
echo "--- exit code: $rc"
