#!/usr/bin/env python3
"""Writes setups that the builder refuses to write: a stub image, the
reference engine as its first (stored) piece, its script, then one hostile
record. PackChecksum is 1234 (never compared), so what the stub must catch is
the record itself, not the checksum.

    hostile_package.py STUB ENGINE ENGINE_INI OUT KIND
KIND: bomb | dotdot | slashdotdot | drive | absolute | intmin | pastend
"""
import struct
import sys
import zlib

MAGIC = 0x4A3B2C1D
DOS_DATE = 1087210874


def piece(name, data):
    return b"|" + name.encode("latin-1") + b"|" + str(DOS_DATE).encode() + b"|\0" + data


def stored(content):
    return struct.pack("<i", -len(content)) + content


def compressed(content):
    z = zlib.compress(content, 9)
    return struct.pack("<i", len(z)) + z


def hostile(kind):
    if kind == "bomb":  # inflates past the largest piece the builder writes
        return compressed(piece("00000#bomb.bin", bytes(6 * 1024 * 1024)))
    names = {"dotdot": "..\\..\\..\\evil.txt", "slashdotdot": "../../../evil.txt",
             "drive": "C:\\evil.txt", "absolute": "\\evil.txt"}
    if kind in names:
        return stored(piece(names[kind], b"evil"))
    if kind == "intmin":
        return struct.pack("<i", -2147483648) + b"x" * 64
    if kind == "pastend":
        return struct.pack("<i", 50_000_000) + b"x" * 64
    raise SystemExit("unknown kind " + kind)


def main():
    stub, engine, ini, out, kind = sys.argv[1:6]
    image = bytearray(open(stub, "rb").read())
    records = [struct.pack("<i", 1) + b"\x02", struct.pack("<i", 5) + b"|||||"]
    chunks = [stored(piece("Engine.exe*", open(engine, "rb").read())),
              stored(piece("engine.ini", open(ini, "rb").read())),
              hostile(kind)]
    body = b"".join(records + chunks)
    trailer = bytearray(74)
    trailer[0], trailer[1] = 1, 2
    struct.pack_into("<IIII", trailer, 4, len(image), len(chunks), MAGIC, 1234)
    struct.pack_into("<I", trailer, 70, 74)
    end = len(image) + len(body) + 74
    struct.pack_into("<II", image, 248, end >> 32, end & 0xFFFFFFFF)
    with open(out, "wb") as f:
        f.write(bytes(image) + body + bytes(trailer))


if __name__ == "__main__":
    main()
