#!/usr/bin/env bash
# A setup from start to finish under Wine: setups built by stubpack with the
# reference engine, run as stub.exe, their boxes answered through uibot.
. "$(dirname "$0")/lib.sh"

work_folders() { ls -d "$temp_unix"/SETUP_* 2>/dev/null | wc -l; }

mkdir -p "$scratch/app" "$scratch/engine"
for f in data.bin data2.bin data3.bin; do head -c 300000 /dev/urandom > "$scratch/app/$f"; done
printf 'read me\r\n' > "$scratch/app/readme.txt"
touch -d '2012-06-13 16:43:52' "$scratch/app/readme.txt"

run() { rm -f "$log"; rm -rf "$scratch/installed"; wine_quiet "$@"; }
bot() {
  "$WINE_RUN" "$E2E_BIN/uibot.exe" "$@" 2>/dev/null | tr -d '\r' > "$scratch/bot.out"
  return "${PIPESTATUS[0]}"
}
expect_log() { tr -d '\r' < "$log" > "$log.txt"; expect_grep "$log.txt" "$1" "$2"; }
installed_ok() {
  cmp -s "$scratch/app/data.bin" "$scratch/installed/data.bin" || fail "$1: data.bin not installed"
}
before=$(work_folders)

# 1. An ordinary setup: files with their dates, the engine's command line,
#    exit code passed on, work folder removed.
engine_ini ExitCode=3
setup "$scratch/setup.exe" --EngineArgs=/X
run "$scratch/setup.exe" /hide /Q=1; rc=$?
[ "$rc" = 3 ] || fail "exit code $rc, expected the engine's 3"
installed_ok "ordinary"
expect_log '^command /hide /Q=1 /X /TH_ID=_[0-9]+ /OriginExe="Z:\\.*\\setup\.exe"' "engine command line"
expect_log '^found [0-9]{5}#readme\.txt 1087210874' "extracted file keeps its DOS date"
expect_log '^found engine\.ini ' "script file extracted"
[ "$(work_folders)" = "$before" ] || fail "work folder left behind"

# 2. Bytes after the package (a signature) change nothing; HeaderCount 3.
engine_ini ExitCode=0
setup "$scratch/signed.exe" --WebUrl=http://127.0.0.1/ --WebFileName=full.exe
head -c 5000 /dev/urandom >> "$scratch/signed.exe"
run "$scratch/signed.exe" /hide; rc=$?
[ "$rc" = 0 ] || fail "signed setup exit code $rc"
installed_ok "signed"

# 3. A damaged package: the "s7" box, also hidden, and no engine.
cp "$scratch/setup.exe" "$scratch/bad.exe"
printf '\x55' | dd of="$scratch/bad.exe" bs=1 seek=$(( $(stat -c %s "$scratch/setup.exe") - 2000 )) conv=notrunc 2>/dev/null
rm -f "$log"
"$WINE_RUN" "$scratch/bad.exe" /hide 2>/dev/null & pid=$!
bot --class=VMsgBox --click='&OK' --gone=10000
wait $pid
expect_grep "$scratch/bot.out" '^caption=Error$' "bad checksum box"
expect_grep "$scratch/bot.out" 'Bad CRC!' "the s7 text"
[ ! -e "$log" ] || fail "an engine ran for a damaged package"
[ "$(work_folders)" = "$before" ] || fail "work folder left behind after the bad checksum"

# 4. The temporary-drive notice: No extracts nothing, Yes runs the setup.
setup "$scratch/inform.exe" --InformTempDrive=1
rm -f "$log"
"$WINE_RUN" "$scratch/inform.exe" 2>/dev/null & pid=$!
bot --class=VMsgBox --click='&No' --gone=10000
wait $pid
expect_grep "$scratch/bot.out" 'Vesko will extract files to your Temp Drive \(C:\)' "the s2 notice"
expect_grep "$scratch/bot.out" '^caption=Confirm$' "notice title"
[ ! -e "$log" ] || fail "No still ran the engine"
"$WINE_RUN" "$scratch/inform.exe" 2>/dev/null & pid=$!
bot --class=VMsgBox --click='&Yes' --gone=10000
wait $pid
installed_ok "notice answered Yes"

# 5. MakeAgent: the agent program beside the extracted files.
engine_ini ExitCode=0
setup "$scratch/agentsetup.exe" --MakeAgent=1 --AgentExe=ProductAU.exe --AgentUrl=http://127.0.0.1/ \
  --InfoFile=product.info
"$STUBPACK" extract "$scratch/agentsetup.exe" "$scratch/native" >/dev/null || fail "stubpack extract"
run "$scratch/agentsetup.exe" /hide
expect_log '^found ProductAU\.exe ' "agent program written"

# 6. An engine that keeps its atom, and one whose dialog outlives it: the
#    stub waits until the dialog is gone.
engine_ini KeepAtom=1 DialogSeconds=3 DialogDetached=1
setup "$scratch/dialog.exe"
run "$scratch/dialog.exe" /hide; rc=$?
[ "$rc" = 0 ] || fail "dialog setup exit code $rc"
expect_log '^dialog closed$' "the stub ended before the engine's dialog was gone"

# 7. A multi-disk set: the "s8" prompt for a missing disk, answered once the
#    file is there; then Cancel starts no engine.
engine_ini ExitCode=0
# Stored pieces and a disk size that fits the stub and the engine: the three
# data files then fill disks 2 and 3.
mkdir -p "$scratch/disk"
disk_size=$(( $(stat -c %s "$E2E_BIN/stub.exe") + $(stat -c %s "$E2E_BIN/Engine.exe") + 10000 ))
setup "$scratch/disk/setup.exe" --DiskSize=$disk_size --Level=0
n=$(ls "$scratch/disk" | wc -l)
[ "$n" -ge 3 ] || fail "expected a set of at least three disk files, got $n"
mv "$scratch/disk/setup.exe.002" "$scratch/disk.002"
rm -f "$log"
"$WINE_RUN" "$scratch/disk/setup.exe" /hide 2>/dev/null & pid=$!
bot --class=VMsgBox --none
expect_grep "$scratch/bot.out" 'Please insert DISK #2 and press OK to continue' "the s8 prompt"
mv "$scratch/disk.002" "$scratch/disk/setup.exe.002"
bot --class=VMsgBox --click='&OK' --gone=10000
wait $pid
installed_ok "multi-disk"
mv "$scratch/disk/setup.exe.003" "$scratch/disk.003"
rm -f "$log"
"$WINE_RUN" "$scratch/disk/setup.exe" /hide 2>/dev/null & pid=$!
bot --class=VMsgBox --click='&Cancel' --gone=10000
wait $pid
[ ! -e "$log" ] || fail "Cancel at the disk prompt still ran the engine"
mv "$scratch/disk.003" "$scratch/disk/setup.exe.003"

# 8. "ForcePrompt" asks for disk 2 although it is there.
wine_quiet wine reg add 'HKCU\Software\Halvorn\Vesko\SpanDisk' /v ForcePrompt /d 1 /f >/dev/null
"$WINE_RUN" "$scratch/disk/setup.exe" /hide 2>/dev/null & pid=$!
bot --class=VMsgBox --click='&OK' --gone=10000
found=$?
bot --class=VMsgBox --timeout=20000 --click='&OK' --gone=10000   # disk 3
wait $pid
wine_quiet wine reg delete 'HKCU\Software\Halvorn\Vesko\SpanDisk' /f >/dev/null
[ "$found" = 0 ] || fail "no prompt with ForcePrompt"
installed_ok "forced prompts"
echo "setup_flow: ok"
