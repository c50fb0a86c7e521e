#!/usr/bin/env bash
# Runs a Windows program under Wine the way the test suites need it: the build
# tree's own prefix (build/<preset>/wineprefix beside bin/), no debugger
# pop-ups, and a private Xvfb display when none is set.
#   wine-run.sh PROGRAM.exe [ARGS...]      PROGRAM may also be a Wine tool (wineboot)
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
prog=$1; shift

if [ -z "${WINEPREFIX:-}" ]; then
  case "$prog" in
    */bin/*) WINEPREFIX=$(cd "$(dirname "$prog")/.." && pwd)/wineprefix ;;
    *) echo "wine-run.sh: set WINEPREFIX" >&2; exit 2 ;;
  esac
fi
export WINEPREFIX
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ -z "${DISPLAY:-}" ]; then
  DISPLAY=$("$here/xvfb-ensure.sh" "$WINEPREFIX.xvfb") || exit 2
  export DISPLAY
fi

case "$prog" in
  wine|wineboot|wineserver|winecfg|regedit) exec "$prog" "$@" ;;
  *) exec wine "$prog" "$@" ;;
esac
