#!/usr/bin/env bash
# The reference engine on its own: joins pieces, installs the application
# files, logs its command line, removes the completion atom and exits with
# the script's code.
. "$(dirname "$0")/lib.sh"

work="$scratch/SETUP_1234"
mkdir -p "$work"
cp "$E2E_BIN/Engine.exe" "$work/"
head -c 3000 /dev/urandom > "$scratch/big.bin"
head -c 1000 "$scratch/big.bin" > "$work/00000#big.bin"
tail -c +1001 "$scratch/big.bin" | head -c 1000 > "$work/00000#big.bin.00002"
tail -c +2001 "$scratch/big.bin" > "$work/00000#big.bin.00003"
printf 'hello' > "$work/00001#readme.txt"
printf 'script' > "$work/setup.inf"
cat > "$work/engine.ini" <<INI
[Engine]
InstallDir=Z:${scratch//\//\\}\\installed
ExitCode=3
CommandLog=Z:${scratch//\//\\}\\engine.log
INI

# (Wine quotes arguments that hold blanks or quotes, so this one has none.)
wine_quiet "$work/Engine.exe" /hide /TH_ID=_77 '/OriginExe=C:\x\setup.exe'; rc=$?
[ "$rc" = 3 ] || fail "engine exit code $rc"
cmp -s "$scratch/big.bin" "$scratch/installed/big.bin" || fail "pieces not joined"
[ "$(cat "$scratch/installed/readme.txt")" = hello ] || fail "application file not installed"
[ ! -e "$scratch/installed/setup.inf" ] || fail "a script file was installed"
[ ! -e "$scratch/installed/big.bin.00002" ] || fail "a later piece was installed on its own"
log=$(tr -d '\r' < "$scratch/engine.log")
echo "$log" | grep -qF 'command /hide /TH_ID=_77 /OriginExe=C:\x\setup.exe' || { echo "$log"; fail "command line"; }
echo "engine_reference: ok"
