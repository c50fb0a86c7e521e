#!/usr/bin/env bash
# Damaged and hostile setups under Wine: each ends with the right box or a
# silent end, starts no engine, writes nothing outside the work folder and
# leaves no work folder behind.
. "$(dirname "$0")/lib.sh"

mkdir -p "$scratch/app" "$scratch/deep/a/b"
head -c 100000 /dev/urandom > "$scratch/app/data.bin"
engine_ini ExitCode=0
work_folders() { ls -d "$temp_unix"/SETUP_* 2>/dev/null | wc -l; }
before=$(work_folders)
bot_out="$scratch/bot.out"
box_pid=

# expect_box SETUP TEXT: the setup (hidden) shows one error box holding TEXT,
# answered OK; no engine ran, nothing escaped, no work folder is left.
expect_box() {
  local exe=$1 text=$2
  rm -f "$log"
  "$WINE_RUN" "$exe" /hide 2>/dev/null & local pid=$!
  "$WINE_RUN" "$E2E_BIN/uibot.exe" --class=VMsgBox --click='&OK' --gone=10000 2>/dev/null | tr -d '\r' > "$bot_out"
  wait $pid
  grep -qF -- "$text" "$bot_out" || { cat "$bot_out"; fail "$(basename "$exe"): no box saying $text"; }
  [ ! -e "$log" ] || fail "$(basename "$exe"): an engine ran"
  [ -z "$(find "$scratch" "$temp_unix" "$WINEPREFIX/drive_c" -maxdepth 4 -name 'evil.txt' 2>/dev/null)" ] ||
    fail "$(basename "$exe"): a file was written outside the work folder"
  [ "$(work_folders)" = "$before" ] || fail "$(basename "$exe"): work folder left behind"
}

# 1. Hostile records the builder never writes.
for kind in bomb dotdot slashdotdot drive absolute intmin pastend; do
  python3 "$E2E_SRC/tests/e2e/hostile_package.py" "$E2E_BIN/stub.exe" "$E2E_BIN/Engine.exe" \
    "$scratch/engine/engine.ini" "$scratch/deep/a/b/$kind.exe" "$kind"
  expect_box "$scratch/deep/a/b/$kind.exe" "Bad CRC!"
done

# 2. A sound setup cut in its trailer, in a header record and in a chunk.
setup "$scratch/good.exe"
size=$(stat -c %s "$scratch/good.exe")
stub_size=$(stat -c %s "$E2E_BIN/stub.exe")
for cut in $((size - 30)) $((stub_size + 3)) $((size / 2 + stub_size / 2)); do
  head -c "$cut" "$scratch/good.exe" > "$scratch/cut$cut.exe"
  expect_box "$scratch/cut$cut.exe" "Bad CRC!"
done

# 3. The work folder's name taken by a file: the folder box, no engine.
dos_time() { local h m s; read -r h m s < <(date -r "$1" '+%-H %-M %-S'); echo $(( (h << 11) | (m << 5) | (s / 2) )); }
blocker="$temp_unix/SETUP_$(dos_time "$scratch/good.exe")"
mkdir -p "$temp_unix"; : > "$blocker"
before=$(work_folders)
expect_box "$scratch/good.exe" "Unable to create Directory!"
rm -f "$blocker"
before=$(work_folders)

# 4. A zero-byte setup is no program: it ends without extracting anything.
: > "$scratch/empty.exe"
rm -f "$log"
wine_quiet "$scratch/empty.exe" /hide && fail "a zero-byte setup ran"
[ ! -e "$log" ] || fail "an engine ran for a zero-byte setup"
[ "$(work_folders)" = "$before" ] || fail "work folder left behind by a zero-byte setup"
# 5. The disk fills during the extraction: a 1 MiB tmpfs as drive T:, the
#    temporary folder there, and a package whose recorded space need is
#    tiny, so the stub extracts there. One "Unable to save Extracted File!"
#    box, no engine, no work folder left.
full="$scratch/full"
mkdir -p "$full" "$scratch/bigapp"
if mount -t tmpfs -o size=1m tmpfs "$full" 2>/dev/null; then
  trap 'umount "$full" 2>/dev/null; rm -f "$WINEPREFIX/dosdevices/t:"; reset_temp; kill $box_pid 2>/dev/null; wine_quiet "$E2E_BIN/tracev.exe" /quit; rm -rf "$scratch"' EXIT
  reset_temp() {
    for v in TEMP TMP; do
      wine_quiet wine reg add 'HKCU\Environment' /v $v /d "C:\\users\\$(whoami)\\Temp" /f >/dev/null
    done
  }
  ln -sfn "$full" "$WINEPREFIX/dosdevices/t:"
  for v in TEMP TMP; do wine_quiet wine reg add 'HKCU\Environment' /v $v /d 'T:\' /f >/dev/null; done
  head -c 3000000 /dev/urandom > "$scratch/bigapp/big.bin"
  make_pkg "$scratch/full.exe" --Engine="$E2E_BIN/Engine.exe" --Scripts="$scratch/engine/engine.ini" \
    --Files="$scratch/bigapp" --Level=0
  python3 - "$scratch/full.exe" <<'PY'
import struct, sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
# SpaceNeeded sits at 28..63 of the trailer, outside the summed range.
struct.pack_into("<9I", data, len(data) - 74 + 28, *([1] * 9))
open(path, "wb").write(data)
PY
  rm -f "$log"
  "$WINE_RUN" "$scratch/full.exe" /hide 2>/dev/null & box_pid=$!
  "$WINE_RUN" "$E2E_BIN/uibot.exe" --class=VMsgBox --click='&OK' --gone=10000 2>/dev/null | tr -d '\r' > "$bot_out"
  grep -qF "Unable to save Extracted File!" "$bot_out" || { cat "$bot_out"; fail "no write-failure box on a full disk"; }
  "$WINE_RUN" "$E2E_BIN/uibot.exe" --class=VMsgBox --timeout=3000 --none >/dev/null 2>&1 &&
    fail "a second box after the write failure"
  wait $box_pid
  [ ! -e "$log" ] || fail "an engine ran after the disk filled"
  ! ls -d "$full"/SETUP_* >/dev/null 2>&1 || fail "work folder left on the full disk"
else
  echo "faults: full-disk case not run (no tmpfs mount here)"
fi
echo "faults: ok"
