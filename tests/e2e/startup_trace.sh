#!/usr/bin/env bash
# Start-up of the real stub.exe: the trace lines reach the viewer, and an
# agent with the stub-log bit writes its start-up lines to X_<name>.log.
. "$(dirname "$0")/lib.sh"

product=(--AgentUrl=http://127.0.0.1/ --InfoFile=product.info)
stamp='[0-9]{2}.[0-9]{2}.[0-9]{2} [0-9]{2}.[0-9]{2}.[0-9]{2} [ 0-9]{4}[0-9]'

# 1. A plain setup: START and END lines around the dispatch, exit code 0.
make_pkg "$scratch/setup.exe" "${product[@]}"
start_tracev
wine_quiet "$scratch/setup.exe" /hide /X=1; rc=$?
stop_tracev
[ "$rc" = 0 ] || fail "setup exit code $rc"
t="$scratch/trace.txt"
expect_grep "$t" '^[0-9]+ ==== STUB START ====> .*setup\.exe.* /hide /X=1<$' "START line"
expect_grep "$t" '^[0-9]+ ==== ThisIs_AutoUpdateProg=FALSE$' "agent flag line"
expect_grep "$t" '^[0-9]+ ==== STUB END ====> .*setup\.exe.* /hide /X=1<$' "END line"
pids=$(sed -nE 's/^([0-9]+) ==== .*/\1/p' "$t" | sort -u | wc -l)
[ "$pids" = 1 ] || fail "trace lines carry $pids different process ids"
ls "$scratch"/*.log >/dev/null 2>&1 && fail "a setup wrote a stub log"

# 2. The agent's transient copy with the stub-log bit: indented log lines.
make_pkg "$scratch/X_Agent.exe" "${product[@]}" --AgentExe=Agent.exe --AutoUpdateProg=1 --StubLogBit=1
start_tracev
wine_quiet "$scratch/X_Agent.exe" /TEST=1; rc=$?
stop_tracev
[ "$rc" = 0 ] || fail "agent exit code $rc"
expect_grep "$t" '^[0-9]+ ==== ThisIs_AutoUpdateProg=TRUE$' "agent flag line"
log="$scratch/X_Agent.log"
[ -f "$log" ] || fail "no stub log X_Agent.log"
tr -d '\r' < "$log" > "$scratch/log.txt"
expected=(
  "^$stamp X $"
  "^$stamp X $"
  "^$stamp X === START === .*\\\\X_Agent\\.exe$"
  "^$stamp X CommandLine=.*X_Agent\\.exe.* /TEST=1$"
  "^$stamp X Agent Version=1\\.0\\.0\\.1$"
  "^$stamp X DoRunStubWin\\(\\) --- Start$"
  "^$stamp X X_ExeIsRunning=FALSE$"
  "^$stamp X ThisIs_Plain_AutoUpdate_Exe=FALSE$"
  "^$stamp X ThisIs_X_AutoUpdate_Exe=TRUE$"
  "^$stamp X DoRunStubWin\\(\\) --- End$"
  "^$stamp X === EXIT === .*\\\\X_Agent\\.exe$"
  "^$stamp X $"
)
n=$(wc -l < "$scratch/log.txt")
[ "$n" = "${#expected[@]}" ] || { cat "$scratch/log.txt"; fail "stub log has $n lines"; }
i=1
for re in "${expected[@]}"; do
  sed -n "${i}p" "$scratch/log.txt" | grep -qE -- "$re" || { cat "$scratch/log.txt"; fail "stub log line $i"; }
  i=$((i + 1))
done
[ "$(tail -c 2 "$log" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "stub log lines end in CR LF"

# 3. The plain agent logs without the X indentation; without the bit nothing.
make_pkg "$scratch/Agent.exe" "${product[@]}" --AgentExe=Agent.exe --AutoUpdateProg=1 --StubLogBit=1
wine_quiet "$scratch/Agent.exe"
grep -q "   === START === " "$scratch/X_Agent.log" || fail "plain agent's lines are not indented by three blanks"
rm -f "$scratch"/*.log
make_pkg "$scratch/Agent.exe" "${product[@]}" --AgentExe=Agent.exe --AutoUpdateProg=1
wine_quiet "$scratch/Agent.exe"
ls "$scratch"/*.log >/dev/null 2>&1 && fail "stub log written without the stub-log bit"
echo "startup_trace: ok"
