#!/usr/bin/env bash
# Set-up and clean-up of the Wine prefix that a test run uses.
#   wine-prefix.sh PREFIX up     make the prefix (once) and start its server
#   wine-prefix.sh PREFIX down   end the prefix's programs and its display
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=$1
case "${2:-up}" in
  up)
    # Programs left over from an earlier, interrupted run would be found by
    # the process lookups and answer the boxes of this one.
    wineserver -k 2>/dev/null
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      "$here/wine-run.sh" wineboot -i >/dev/null 2>&1 || { echo "wineboot failed" >&2; exit 1; }
      # A crashing program must end, not open a debugger dialog.
      "$here/wine-run.sh" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    fi
    # No window manager runs on the test display: a managed window would
    # make every DestroyWindow wait 2 s for a withdrawal nobody confirms.
    "$here/wine-run.sh" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    "$here/wine-run.sh" wineboot >/dev/null 2>&1
    echo "wine prefix ready: $WINEPREFIX"
    ;;
  down)
    wineserver -k 2>/dev/null
    "$here/xvfb-ensure.sh" "$WINEPREFIX.xvfb" stop
    ;;
esac
