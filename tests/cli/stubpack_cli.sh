#!/usr/bin/env bash
# stubpack as authors use it: build from a project file (and keys on the
# command line), byte-identical rebuilds, inspect in text and JSON, verify of
# sound and damaged files, extract, multi-disk sets, scramble, and the errors
# that must leave no output behind.
#   stubpack_cli.sh STUBPACK
set -u
SP=${1:?stubpack}
mkdir -p "${STUB_TEST_TMP:-/tmp}"
T=$(mktemp -d "${STUB_TEST_TMP:-/tmp}/stubpack_cli.XXXXXX") || exit 1
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# expect CODE COMMAND...: runs it, output in $T/out.txt, checks the exit code
expect() {
  local want=$1; shift
  "$@" >"$T/out.txt" 2>&1; local rc=$?
  [ "$rc" = "$want" ] || { cat "$T/out.txt"; fail "exit code $rc, not $want: $*"; }
}
no_output() {  # no setup and no temporary file left in out/
  [ -z "$(ls -A "$T/out")" ] || { ls -la "$T/out"; fail "output left behind: $1"; }
}

cd "$T" || exit 1
mkdir -p app out
python3 - <<'EOF'
import random
d = bytearray(4096); d[0:2] = b"MZ"; d[256:260] = b"PE\0\0"
d[1000:1079] = b"RAMAT*gan" + b"." * 61 + b"KFAR*saba"
open("stub.exe", "wb").write(d)
r = random.Random(5)
open("app/random.bin", "wb").write(r.randbytes(11_000_000))
open("app/readme.txt", "w").write("hello from the application\n" * 2000)
EOF
printf 'engine' > Engine.exe
printf '[Engine]\nExitCode=3\n' > engine.ini
printf 's0=Demo Setup\nBtnText=OK|Cancel\n' > English.txt
cat > project.ini <<'EOF'
; a demo project
[Setup]
Stub=stub.exe
Output=out/setup.exe
Engine=Engine.exe
EngineArgs=/X
Scripts=engine.ini
Files=app
Languages=English.txt
AgentExe=ProdAU.exe
AgentToken=SECRET-VALUE-1
MakeAgent=1
Seed=11
EOF

# Help and usage.
expect 0 "$SP" --help
grep -q 'DiskSize' "$T/out.txt" || fail "help lists no keys"
expect 2 "$SP" frobnicate
expect 2 "$SP"

# Build, rebuild byte for byte (also with another thread count), inspect.
expect 0 "$SP" build project.ini
cp out/setup.exe first.exe
expect 0 "$SP" build project.ini --Threads=1
cmp -s first.exe out/setup.exe || fail "rebuild with the same seed differs"
[ ! -e out/setup.exe.stubpack-tmp ] || fail "temporary file left"
expect 0 "$SP" inspect out/setup.exe
grep -q '^verdict  *sound$' "$T/out.txt" || fail "inspect verdict"
grep -q 'AgentToken=valid' "$T/out.txt" || fail "token verdict"
grep -q 'SECRET-VALUE' "$T/out.txt" && fail "inspect shows a decoded token"
grep -q 'Engine.exe\*/X' "$T/out.txt" || fail "engine chunk"
expect 0 "$SP" inspect --json out/setup.exe
cp "$T/out.txt" setup.json
python3 - setup.json <<'EOF' || fail "inspect --json"
import json, sys
r = json.load(open(sys.argv[1]))
names = [c["name"] for c in r["chunks"]]
assert names[:3] == ["Engine.exe*/X", "engine.ini", "00000#random.bin"], names
assert r["sound"] and r["trailer"]["ChunkCount"] == len(names) and r["trailer"]["TrailerLength"] == 74
assert r["productInfo"]["AgentToken"] == "valid" and r["trailer"]["MakeAgent"] == 1
assert any(c["stored"] for c in r["chunks"]) and not all(c["stored"] for c in r["chunks"])
EOF

# Verify and extract a sound setup.
expect 0 "$SP" verify out/setup.exe
expect 0 "$SP" extract out/setup.exe x
cmp -s app/readme.txt "x/00001#readme.txt" || fail "extracted file differs"
cat x/00000#random.bin x/00000#random.bin.00002 x/00000#random.bin.00003 | cmp -s - app/random.bin || fail "pieces differ"
[ -f x/ProdAU.exe ] || fail "no agent program"

# A damaged compressed record: verify names it and its offset; extract stops.
read -r record offset < <(python3 -c '
import json, sys
c = [c for c in json.load(open(sys.argv[1]))["chunks"] if not c["stored"]][0]
print(c["record"], c["offset"])' setup.json)
cp out/setup.exe bad.exe
printf '\x55\x55\x55\x55' | dd of=bad.exe bs=1 seek=$((offset + 12)) conv=notrunc status=none
expect 1 "$SP" verify bad.exe
grep -q "record $record at offset $offset" "$T/out.txt" || fail "verify does not name record $record at $offset"
expect 1 "$SP" extract bad.exe y

# Multi-disk: three files, each within the disk size; a missing disk is bad.
expect 0 "$SP" build project.ini --DiskSize=5300000 --Output=out/md.exe
[ -f out/md.exe.002 ] && [ -f out/md.exe.003 ] || fail "no disk files"
for f in out/md.exe*; do [ "$(stat -c %s "$f")" -le 5300000 ] || fail "$f is larger than the disk size"; done
expect 0 "$SP" verify out/md.exe
expect 0 "$SP" inspect out/md.exe.002
grep -q 'disk 2 of a set' "$T/out.txt" || fail "disk file kind"
expect 0 "$SP" extract out/md.exe z
cat z/00000#random.bin z/00000#random.bin.00002 z/00000#random.bin.00003 | cmp -s - app/random.bin || fail "multi-disk pieces differ"
mv out/md.exe.002 md.002
expect 1 "$SP" verify out/md.exe
grep -q 'disk 2 was not found' "$T/out.txt" || fail "missing disk not named"
rm -f out/* md.002

# Errors: a clear message, a non-zero exit, nothing written.
expect 1 "$SP" build project.ini --Stub=missing.exe;            grep -q 'cannot read' "$T/out.txt" || fail "missing stub"; no_output "missing stub"
head -c 256 stub.exe > short.exe; head -c 3840 /dev/zero >> short.exe
expect 1 "$SP" build project.ini --Stub=short.exe;              grep -q 'no "PE" header at offset 256' "$T/out.txt" || fail "no PE"; no_output "no PE"
cp first.exe used.exe
expect 1 "$SP" build project.ini --Stub=used.exe;               grep -q 'no room for the end offset' "$T/out.txt" || fail "no room"; no_output "no room"
expect 1 "$SP" build project.ini --Engine=gone.exe;             grep -q 'cannot read' "$T/out.txt" || fail "missing file"; no_output "missing file"
expect 1 "$SP" build project.ini --DiskSize=100000;             grep -q 'smaller than piece' "$T/out.txt" || fail "disk size"; no_output "disk size"
expect 2 "$SP" build project.ini --Colour=blue;                 grep -q 'unknown key "Colour"' "$T/out.txt" || fail "unknown key"
printf '[Setup]\nStub=stub.exe\nColour=blue\n' > bad.ini
expect 1 "$SP" build bad.ini;                                   grep -q 'bad.ini: line 3: unknown key' "$T/out.txt" || fail "unknown key in file"
printf 'x' > 'app/a|b.txt'
expect 1 "$SP" build project.ini;                               grep -q 'cannot be packed' "$T/out.txt" || fail "name with |"; no_output "name with |"
rm 'app/a|b.txt'
printf 'x' > 'app/..\..\evil.txt'
expect 1 "$SP" build project.ini;                               no_output "escaping name"
rm 'app/..\..\evil.txt'

# Scramble: the form, a fixed key, and --hex.
printf 'Inform text' > inform.txt
expect 0 "$SP" scramble --key=65 inform.txt s1.txt
expect 0 "$SP" scramble --key=65 inform.txt s2.txt
cmp -s s1.txt s2.txt || fail "scramble with a fixed key differs"
[ "$(head -c 13 s1.txt)" = "Scrambled=01A" ] || fail "scrambled form"
expect 0 "$SP" scramble --hex --seed=3 inform.txt s3.txt
grep -qE '^[0-9A-F]+$' s3.txt || fail "hex layer"
expect 2 "$SP" scramble --key=7 inform.txt s4.txt
[ ! -e s4.txt ] || fail "scramble wrote despite a bad key"
echo "stubpack_cli: ok"
