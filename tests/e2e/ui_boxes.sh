#!/usr/bin/env bash
# The message boxes and the stub window under Wine, answered through uibot as
# a person would: boxdemo shows them, uibot reads and answers them. Then the
# real stub.exe: a setup's window ends on its first tick, and a second start
# of the same setup ends quietly.
mkdir -p "${STUB_TEST_TMP:-/tmp}"
. "$(dirname "$0")/lib.sh"

box_raw="$scratch/box.raw"
box_out="$scratch/box.out"
bot_out="$scratch/bot.out"
box_pid=
# A failed check must not leave a box behind for ctest to wait for.
trap 'kill $box_pid 2>/dev/null; wine_quiet "$E2E_BIN/tracev.exe" /quit; rm -rf "$scratch"' EXIT

# show ARGS...: starts boxdemo in the background.
show() {
  "$WINE_RUN" "$E2E_BIN/boxdemo.exe" "$@" >"$box_raw" 2>/dev/null &
  box_pid=$!
}
# bot ARGS...: uibot's answer; its output in $bot_out.
bot() {
  "$WINE_RUN" "$E2E_BIN/uibot.exe" "$@" 2>/dev/null | tr -d '\r' >"$bot_out"
  [ "${PIPESTATUS[0]}" = 0 ] || { cat "$bot_out"; fail "uibot $*"; }
}
finished() { wait "$box_pid" || fail "boxdemo ended with $?"; }
# Console lines end in CR LF.
expect_box() { tr -d '\r' <"$box_raw" >"$box_out"; expect_grep "$box_out" "$1" "$2"; }
expect_bot() { expect_grep "$bot_out" "$1" "$2"; }

# 1. An error box with owner 0: the title word as a bold first line.
show error "Disk full" --owner=0
bot --class=VMsgBox --bold --click='&OK' --gone=10000
finished
expect_bot '^caption=Error$' "error box caption"
expect_bot '^text\[RICHEDIT\]=ERROR\\n\\nDisk full\\n$' "title line, empty line, text"
expect_bot '^bold=ERROR(\\n)?_+$' "only the title line in bold"
expect_bot '^button=&OK focused default$' "one OK button with the focus"
expect_bot '^gone$' "the box closes on OK"
expect_box '^done$' "ShowErrorMessage returned"

# 2. Yes/No answered by N (no Alt), then by Alt+Y.
show yesno "Continue with Setup?" --owner=1
bot --class=VMsgBox --key=N --gone=10000
finished
expect_bot '^caption=Confirm$' "question caption"
expect_bot '^text\[RICHEDIT\]=Continue with Setup\?$' "owner 1: no title line"
expect_box '^answer=FALSE$' "N answers No"
show yesno "Continue with Setup?" --owner=1
bot --class=VMsgBox --alt=Y --gone=10000
finished
expect_box '^answer=TRUE$' "Alt+Y answers Yes"

# 3. Focus index 2 of two buttons focuses the first; Escape does nothing,
#    Enter chooses the focused button.
show rich "Which one?" --flags=0x224 --owner=1 --buttons='|&OK|&Cancel|&Yes|&No|'
bot --class=VMsgBox --key=Escape --gone=1500
expect_bot '^button=&Yes focused default$' "2 mod 2 focuses the first button"
expect_bot '^button=&No$' "the second button plain"
expect_bot '^still there$' "Escape leaves the box open"
bot --class=VMsgBox --key=Enter --gone=10000
finished
expect_box '^result=6$' "Enter chooses Yes"

# 4. A timeout of 5000 ms answers the first button: Yes.
show yesno "Closes by itself" --owner=1 --timeout=5000
bot --class=VMsgBox --none --gone=30000
finished
expect_bot '^gone$' "the box closed itself"
expect_box '^answer=TRUE$' "the timeout chose Yes"

# 5. Owner 2: the Close command is greyed and does nothing; OK answers.
show warning "Insert disk 2" --owner=2
bot --class=VMsgBox --close --gone=1500
expect_bot '^caption=Attention$' "warning caption"
expect_bot '^still there$' "a greyed Close command leaves the box open"
bot --class=VMsgBox --click='&OK' --gone=10000
finished
expect_box '^done$' "ShowWarningMessage returned"

# 6. Character set 177: a right-aligned text that reads right to left;
#    answered with a real mouse click.
show okcancel "shalom" --owner=1 --charset=177
bot --class=VMsgBox --geometry --mouse='&Cancel' --gone=10000
finished
style=$(sed -nE 's/^child class=RICHEDIT .* style=(0x[0-9A-F]+) exstyle=(0x[0-9A-F]+).*/\1 \2/p' "$bot_out")
[ -n "$style" ] || { cat "$bot_out"; fail "no text control"; }
read -r s e <<<"$style"
(( (s & 0x2) && (e & 0x2000) )) || fail "charset 177: style $s exstyle $e lacks ES_RIGHT or WS_EX_RTLREADING"
expect_box '^answer=FALSE$' "the mouse chose Cancel"

# 7. The stub window: default caption, status line at x 70, activity bar at
#    416; a first close during a download only aborts it, the second ends the
#    window and removes the work folder.
show stubwin --download
bot --title='Vesko Installation Suite' --geometry --close --gone=1500
expect_bot '^child class=Static x=70 y=20 w=340 h=18 style=0x50000000 ' "status line at 70"
expect_bot '^child class=msctls_progress32 x=70 y=38 w=392 h=13 ' "progress bar"
expect_bot '^child class=msctls_progress32 x=416 y=20 w=46 h=13 ' "activity bar at 416"
expect_bot '^window class=.*boxdemo\.exe x=[0-9]+ y=[0-9]+ w=492 h=110 ' "window class and size"
expect_bot '^still there$' "the first close keeps the window"
for _ in $(seq 1 100); do grep -q '^abort=' "$box_raw" && break; sleep 0.1; done
expect_box '^abort=TRUE$' "the first close aborts the download"
folder=$(sed -n 's/^workfolder=\(.*SETUP_[0-9]*\)$/\1/p' "$box_out")
[[ "$folder" =~ \\SETUP_[0-9]+$ ]] || fail "work folder name: $folder"
bot --title='Vesko Installation Suite' --close --gone=10000
finished
expect_bot '^gone$' "the second close ends the window"
expect_box '^workfolder=gone$' "the work folder is deleted with the window"

# 8. A Hebrew language entry: caption from "s0", right-to-left positions.
show stubwin --lang='|#English#s0=Setup#s1=Extracting#Charset=177#|'
bot --title=Setup --geometry --close
expect_bot '^child class=Static x=122 y=20 w=340 h=18 ' "status line at 122"
expect_bot '^child class=msctls_progress32 x=70 y=20 w=46 h=13 ' "activity bar at 70"
expect_bot '^text\[Static\]=Extracting$' "status text from s1"
bot --title=Setup --close --gone=10000
finished

# 9. The real stub.exe: the setup's window ends on its first tick, exit 0.
make_pkg "$scratch/setup.exe" --AgentUrl=http://127.0.0.1/ --InfoFile=product.info
t="$scratch/trace.txt"
start_tracev
wine_quiet "$scratch/setup.exe"; rc=$?
stop_tracev
[ "$rc" = 0 ] || fail "setup exit code $rc"
expect_grep "$t" '^- wm_Destroy -$' "the stub window was made and destroyed"

# 10. A window of the setup's class (its full path) exists: a second start
#    ends quietly, without a window of its own.
class=$("$WINE_RUN" winepath -w "$scratch/setup.exe" 2>/dev/null)
show hold "$class"
bot --title=hold --none
start_tracev
wine_quiet "$scratch/setup.exe"; rc=$?
stop_tracev
[ "$rc" = 0 ] || fail "second start exit code $rc"
expect_grep "$t" '==== STUB END ====>' "the second start ended normally"
grep -q '^- wm_Destroy -$' "$t" && fail "the second start made a window"
bot --title=hold --close --gone=10000
finished
echo "ui_boxes: ok"
