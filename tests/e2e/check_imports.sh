#!/usr/bin/env bash
# Fails when the executable imports a DLL that Windows itself does not ship.
set -u
objdump=$1 exe=$2
dlls=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$dlls" ] || { echo "no imports found in $exe"; exit 1; }
allowed='^(kernel32|user32|gdi32|advapi32|shell32|comctl32|ole32|oleaut32|comdlg32|version|msvcrt|shlwapi|wininet|psapi|riched32)\.dll$'
bad=$(echo "$dlls" | grep -v -E "$allowed")
echo "imports: $(echo $dlls)"
if [ -n "$bad" ]; then echo "non-system imports: $bad"; exit 1; fi
