#!/usr/bin/env bash
# Screenshots of the program's windows under Xvfb, for people to see the UI:
# the stub window with its progress bar, and an error box. Uses the test
# programs boxdemo.exe (shows them) and uibot.exe (finds, measures, closes).
#   scripts/screenshot.sh [BIN_DIR] [OUT_DIR]     default build/win32/bin, docs
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
bin=$(cd "${1:-$here/../build/win32/bin}" && pwd)
out=$(mkdir -p "${2:-$here/../docs}" && cd "${2:-$here/../docs}" && pwd)
export WINEPREFIX=${WINEPREFIX:-$(dirname "$bin")/wineprefix}
"$here/wine-prefix.sh" "$WINEPREFIX" up >/dev/null
DISPLAY=$("$here/xvfb-ensure.sh" "$WINEPREFIX.xvfb")
export DISPLAY
run() { "$here/wine-run.sh" "$@" 2>/dev/null | tr -d '\r'; }

# shot NAME UIBOT-FIND-ARGS -- BOXDEMO-ARGS...: shows, photographs the
# window's rectangle, then closes it (twice for the stub window).
shot() {
  local name=$1 find=$2
  shift 3
  "$here/wine-run.sh" "$bin/boxdemo.exe" "$@" >/dev/null 2>&1 &
  local pid=$!
  local rect
  rect=$(run "$bin/uibot.exe" "$find" --geometry --none |
         sed -nE 's/^window class=.* x=(-?[0-9]+) y=(-?[0-9]+) w=([0-9]+) h=([0-9]+) .*/\3x\4+\1+\2/p')
  [ -n "$rect" ] || { kill "$pid"; echo "screenshot.sh: no window for $name" >&2; exit 1; }
  import -window root -crop "$rect" +repage "$out/$name.png"
  for _ in 1 2; do run "$bin/uibot.exe" "$find" --timeout=2000 --close >/dev/null || true; done
  wait "$pid" || true
  echo "$out/$name.png ($rect)"
}

shot stub-window --title='Vesko Installation Suite' -- stubwin --download --progress=12,8
shot error-box --class=VMsgBox -- error \
  "Bad CRC!<P>This indicates that your setup file might be corrupted..." --owner=0
