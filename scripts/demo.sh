#!/usr/bin/env bash
# The main job: builds stub.exe, the reference engine and stubpack, makes a
# setup of the sample files in demo/app, runs it under Wine (on a private
# Xvfb when there is no display) with the trace viewer, and reports where the
# engine installed the files and the setup's exit code.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset host >/dev/null
cmake --build --preset host --target stubpack >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target stub Engine tracev

bin=build/win32/bin
demo=$PWD/build/demo
rm -rf "$demo"; mkdir -p "$demo"
export WINEPREFIX=$PWD/build/win32/wineprefix
scripts/wine-prefix.sh "$WINEPREFIX" up
trap 'scripts/wine-run.sh "$bin/tracev.exe" /quit >/dev/null 2>&1; scripts/wine-prefix.sh "$WINEPREFIX" down' EXIT

# The engine's script: install under C:\Program Files\Demo App, exit code 0.
cat > "$demo/engine.ini" <<INI
[Engine]
InstallDir=C:\\Program Files\\Demo App
ExitCode=0
CommandLog=Z:${demo//\//\\}\\engine.log
INI
build/host/bin/stubpack build --Stub="$bin/stub.exe" --Output="$demo/setup.exe" \
  --Engine="$bin/Engine.exe" --Scripts="$demo/engine.ini" --Files=demo/app
build/host/bin/stubpack verify "$demo/setup.exe"

scripts/wine-run.sh "$bin/tracev.exe" "$demo/trace.txt" >/dev/null 2>&1 &
for _ in $(seq 1 200); do [ -f "$demo/trace.txt" ] && break; sleep 0.05; done

set +e
scripts/wine-run.sh "$demo/setup.exe" /demo 2>/dev/null
rc=$?
set -e
scripts/wine-run.sh "$bin/tracev.exe" /quit >/dev/null 2>&1 || true
installed="$WINEPREFIX/drive_c/Program Files/Demo App"
echo "--- trace of $demo/setup.exe:"
cat "$demo/trace.txt"
echo "--- the engine's log:"
tr -d '\r' < "$demo/engine.log"
echo "--- installed into C:\\Program Files\\Demo App ($installed):"
ls -l "$installed"
echo "--- exit code: $rc"
