#!/usr/bin/env bash
# Extraction rate of the real stub.exe under Wine: a setup of 200 MB (or the
# MB given) of mixed files, half random bytes and half generated text in
# 10 MB files like bench_extract, built WITHOUT an engine so that nothing runs
# after the extraction, run hidden with the trace viewer. The trace's
# "UnCompressTime: N MS" is the extraction alone, without the fixed waits
# around it; it is printed as MB/s of output, next to a native figure if one
# is given (bench_extract's ExtractPackage MB/s).
#   scripts/bench-extract-wine.sh [MB] [NATIVE_MB/s]
# Needs build/host/bin/stubpack and build/win32/bin/{stub,tracev}.exe.
# WINEPREFIX defaults to build/win32/wineprefix; it is brought up and down
# with scripts/wine-prefix.sh.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mb=${1:-200}
native=${2:-}
stubpack=$root/build/host/bin/stubpack
bin=$root/build/win32/bin
for f in "$stubpack" "$bin/stub.exe" "$bin/tracev.exe"; do
  [ -x "$f" ] || [ -f "$f" ] || { echo "missing $f: build the host and win32 presets first" >&2; exit 2; }
done
export WINEPREFIX=${WINEPREFIX:-$root/build/win32/wineprefix}
wine_run=$root/scripts/wine-run.sh

scratch=$(mktemp -d "${TMPDIR:-/tmp}/bench-extract-wine.XXXXXX")
tracev_pid=
cleanup() {
  if [ -n "$tracev_pid" ]; then
    "$wine_run" "$bin/tracev.exe" /quit >/dev/null 2>&1
    wait "$tracev_pid" 2>/dev/null
  fi
  "$root/scripts/wine-prefix.sh" "$WINEPREFIX" down >/dev/null 2>&1
  rm -rf "$scratch"
}
trap cleanup EXIT

# The data: even files random, odd files lines of words from the small
# vocabulary of bench_extract (compresses about as well as ordinary text).
mkdir -p "$scratch/app"
python3 - "$scratch/app" "$mb" <<'EOF' || exit 1
import os, random, sys
folder, total = sys.argv[1], int(sys.argv[2]) * 1000000
words = ("setup package file the of and install folder engine version update agent a to is in disk "
         "window progress data extract value key name system user program size time text").split()
rng = random.Random(1087210874)
done, i = 0, 0
while done < total:
    size = min(10 << 20, total - done)
    if i % 2:
        lines, length = [], 0
        while length < size:
            line = " ".join(rng.choices(words, k=12)) + (".\r\n" if rng.random() < 0.25 else "\r\n")
            lines.append(line)
            length += len(line)
        data = "".join(lines).encode()[:size]
    else:
        data = os.urandom(size)
    with open(os.path.join(folder, "file%d.%s" % (i, "txt" if i % 2 else "bin")), "wb") as f:
        f.write(data)
    done, i = done + size, i + 1
EOF
bytes=$(cat "$scratch/app"/* | wc -c)

"$stubpack" build --Stub="$bin/stub.exe" --Output="$scratch/setup.exe" --Files="$scratch/app" --Seed=1 >/dev/null ||
  { echo "stubpack could not build the setup" >&2; exit 1; }
rm -rf "$scratch/app"  # the setup holds it all
echo "setup: $bytes bytes of files in $(stat -c %s "$scratch/setup.exe") bytes, no engine"

"$root/scripts/wine-prefix.sh" "$WINEPREFIX" up >/dev/null || exit 1
"$wine_run" "$bin/tracev.exe" "$scratch/trace.txt" >/dev/null 2>&1 &
tracev_pid=$!
for _ in $(seq 1 200); do [ -f "$scratch/trace.txt" ] && break; sleep 0.05; done
[ -f "$scratch/trace.txt" ] || { echo "tracev did not start" >&2; exit 1; }

start=$(date +%s%N)
"$wine_run" "$scratch/setup.exe" /hide >/dev/null 2>&1
rc=$?
wall_ms=$(( ($(date +%s%N) - start) / 1000000 ))
"$wine_run" "$bin/tracev.exe" /quit >/dev/null 2>&1
wait "$tracev_pid" 2>/dev/null
tracev_pid=

tr -d '\r' < "$scratch/trace.txt" > "$scratch/trace.lf"
if grep -q 'Extraction failed' "$scratch/trace.lf"; then
  grep 'Extraction failed' "$scratch/trace.lf" >&2
  exit 1
fi
ms=$(sed -nE 's/.*UnCompressTime: ([0-9]+) MS.*/\1/p' "$scratch/trace.lf" | tail -n 1)
[ -n "$ms" ] || { echo "no UnCompressTime line in the trace" >&2; cat "$scratch/trace.lf" >&2; exit 1; }
[ "$ms" -gt 0 ] || ms=1

echo "setup under Wine: exit code $rc, whole run $wall_ms ms"
awk -v b="$bytes" -v ms="$ms" -v nat="$native" 'BEGIN {
  wine = b / 1e6 / (ms / 1000)
  printf "stub.exe under Wine   %8.1f MB/s  (UnCompressTime %d ms)\n", wine, ms
  if (nat != "") printf "native ExtractPackage %8.1f MB/s  (Wine / native %.0f %%)\n", nat, 100 * wine / nat
}'
