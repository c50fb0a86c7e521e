#!/usr/bin/env bash
# Prints the DISPLAY of a private Xvfb kept for one state folder, starting it
# when it is not running. The test suites share it; `xvfb-ensure.sh DIR stop`
# ends it.
set -u
state=$1
mkdir -p "$state"
exec 9>"$state/lock"
flock 9

if [ "${2:-}" = stop ]; then
  [ -f "$state/pid" ] && kill "$(cat "$state/pid")" 2>/dev/null
  rm -f "$state/pid" "$state/display"
  exit 0
fi

if [ -f "$state/pid" ] && kill -0 "$(cat "$state/pid")" 2>/dev/null; then
  cat "$state/display"; exit 0
fi

for n in $(seq 91 150); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  # The lock must not be inherited: Xvfb outlives this script.
  setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$state/xvfb.log" 2>&1 </dev/null 9>&- &
  pid=$!
  for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -e "/tmp/.X11-unix/X$n" ]; then
    echo "$pid" >"$state/pid"; echo ":$n" >"$state/display"
    echo ":$n"; exit 0
  fi
done
echo "xvfb-ensure.sh: no Xvfb display could be started" >&2
exit 1
