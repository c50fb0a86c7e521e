# Shared helpers of the end-to-end scenarios: a fresh scratch folder, Wine
# runs of the real programs and the trace viewer around them.
set -u
E2E_BIN=${E2E_BIN:?}            # build/win32/bin
E2E_SRC=${E2E_SRC:?}            # source tree
STUBPACK=${STUBPACK:?}          # the native builder of the scenarios' packages
WINE_RUN="$E2E_SRC/scripts/wine-run.sh"

scratch=$(mktemp -d "${STUB_TEST_TMP:-/tmp}/e2e.XXXXXX")
trap 'wine_quiet "$E2E_BIN/tracev.exe" /quit; rm -rf "$scratch"' EXIT

fail() { echo "FAIL: $*"; exit 1; }
wine_quiet() { "$WINE_RUN" "$@" 2>/dev/null; }

# Starts the trace viewer writing to $scratch/trace.txt and waits until it
# listens.
start_tracev() {
  rm -f "$scratch/trace.txt"
  "$WINE_RUN" "$E2E_BIN/tracev.exe" "$scratch/trace.txt" >/dev/null 2>&1 &
  for _ in $(seq 1 200); do [ -f "$scratch/trace.txt" ] && return 0; sleep 0.05; done
  fail "tracev did not start"
}

stop_tracev() { wine_quiet "$E2E_BIN/tracev.exe" /quit; }

# make_pkg OUT [--Key=value ...]: a setup from stub.exe with a fixed seed.
make_pkg() {
  local out=$1; shift
  "$STUBPACK" build --Stub="$E2E_BIN/stub.exe" --Output="$out" --Seed=1 "$@" >/dev/null ||
    fail "stubpack could not build $out"
}

expect_grep() {  # expect_grep FILE REGEX WHAT
  grep -qE -- "$2" "$1" || { echo "--- $1:"; cat "$1"; fail "$3"; }
}

# The Windows temporary folder, where the work folders SETUP_<n> go.
temp_unix="$WINEPREFIX/drive_c/users/$(whoami)/Temp"

# The Windows form of a scratch path (Wine's Z: drive).
winpath() { echo "Z:${1//\//\\}"; }

# The reference engine's log and script of a scenario: engine_ini KEY=VALUE...
# writes $scratch/engine/engine.ini, installing into $scratch/installed.
log="$scratch/engine.log"
engine_ini() {
  mkdir -p "$scratch/engine"
  { echo "[Engine]"
    echo "InstallDir=$(winpath "$scratch/installed")"
    echo "CommandLog=$(winpath "$log")"
    for kv in "$@"; do echo "$kv"; done
  } > "$scratch/engine/engine.ini"
}
# setup OUT [--Key=value...]: a setup of $scratch/app with the engine.
setup() {
  local out=$1; shift
  make_pkg "$out" --Engine="$E2E_BIN/Engine.exe" --Scripts="$scratch/engine/engine.ini" \
    --Files="$scratch/app" "$@"
}
