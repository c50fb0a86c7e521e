#!/usr/bin/env bash
# The setups that run in stages: a CD set hands over to its "Y_" copy in the
# work folder, which runs the set and removes itself; and a second start of
# a running setup ends quietly.
. "$(dirname "$0")/lib.sh"

mkdir -p "$scratch/app" "$scratch/engine" "$scratch/cd"
for f in a.bin b.bin; do head -c 300000 /dev/urandom > "$scratch/app/$f"; done
wait_for() {  # wait_for SECONDS COMMAND...: until the command succeeds
  local limit=$(( $1 * 10 )); shift
  for _ in $(seq 1 "$limit"); do "$@" && return 0; sleep 0.1; done
  return 1
}
log_has() { [ -f "$log" ] && tr -d '\r' < "$log" | grep -qE -- "$1"; }

# 1. A CD set: the disc's setup.exe, its first disk file setup.exe.001 and
#    the next disc's setup.exe.002.
engine_ini ExitCode=0
disk_size=$(( $(stat -c %s "$E2E_BIN/stub.exe") + $(stat -c %s "$E2E_BIN/Engine.exe") + 10000 ))
setup "$scratch/cd/setup.exe" --IsCdSet=1 --DiskSize=$disk_size --Level=0
cp "$scratch/cd/setup.exe" "$scratch/cd/setup.exe.001"
wine_quiet "$scratch/cd/setup.exe" /hide; rc=$?
[ "$rc" = 0 ] || fail "first stage exit code $rc"
wait_for 60 log_has '^exit 0$' || fail "the second stage did not run the engine"
cmp -s "$scratch/app/b.bin" "$scratch/installed/b.bin" || fail "the CD set was not installed from both discs"
tr -d '\r' < "$log" > "$log.txt"
expect_grep "$log.txt" '^command /hide /OriginExe="Z:\\.*\\cd\\setup\.exe" /TH_ID=_[0-9]+$' \
  "engine sees the disc's setup as origin and no CD-set switches"
# The copy deletes itself and its folder once it has ended.
gone() { ! ls "$temp_unix"/SETUP_*/Y_setup.exe >/dev/null 2>&1; }
wait_for 30 gone || fail "the Y_ copy is still there"

# 2. A second start of a running setup ends quietly; one engine runs.
rm -f "$log"; rm -rf "$scratch/installed"
engine_ini DialogSeconds=4
setup "$scratch/once.exe"
"$WINE_RUN" "$scratch/once.exe" /hide 2>/dev/null & first=$!
wait_for 30 log_has '^command ' || fail "the first start did not run its engine"
wine_quiet "$scratch/once.exe" /hide; rc=$?
[ "$rc" = 0 ] || fail "second start exit code $rc"
kill -0 "$first" 2>/dev/null || fail "the first start ended before the second returned"
wait "$first"
n=$(tr -d '\r' < "$log" | grep -c '^command ')
[ "$n" = 1 ] || fail "$n engines ran"
echo "setup_stages: ok"
