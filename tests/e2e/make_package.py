#!/usr/bin/env python3
"""Appends a small package to stub.exe for the start-up scenarios: header
records, no chunks, and a trailer with the given flags. (Setups with files
come from the builder.)

    make_package.py STUB OUT [--agent NAME] [--auto-update] [--flags N]
"""
import argparse
import struct

MAGIC = 0x4A3B2C1D


def record(text):
    return struct.pack("<i", len(text)) + text


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("stub")
    ap.add_argument("out")
    ap.add_argument("--agent", default="")
    ap.add_argument("--auto-update", action="store_true")
    ap.add_argument("--flags", type=int, default=0)
    a = ap.parse_args()

    image = bytearray(open(a.stub, "rb").read())
    data_start = len(image)
    product = f"|http://127.0.0.1/|product.info|{a.agent}||0|".encode()
    body = record(b"\x02") + record(product)
    trailer = bytearray(74)
    trailer[0] = 1
    trailer[1] = 2
    struct.pack_into("<IIII", trailer, 4, data_start, 0, MAGIC, 1234)
    trailer[65] = a.flags
    trailer[69] = 1 if a.auto_update else 0
    struct.pack_into("<I", trailer, 70, 74)
    end = data_start + len(body) + 74
    struct.pack_into("<II", image, 248, end >> 32, end & 0xFFFFFFFF)
    with open(a.out, "wb") as f:
        f.write(image + body + trailer)


if __name__ == "__main__":
    main()
