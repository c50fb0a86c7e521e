#!/usr/bin/env python3
"""Post-link step of stub.exe: moves the PE header to offset 256.

A package is appended to stub.exe, and the package reader expects "MZ" at 0,
the package end offset in the two words at 248..255 and "PE" at 256. GNU ld
puts the PE header at 0x80, so the header (signature, file header, optional
header and section table) is moved to 256 and e_lfanew updated. The build
fails when the header area has no room for it.

    pe_fixup.py EXE           fix the layout in place, print the size
    pe_fixup.py --check EXE   only verify the layout (exit 1 when wrong)
"""
import struct
import sys

PE_AT = 256
END_SLOTS = (248, 256)
BLOCK_HEAD, BLOCK_TAIL, BLOCK_SIZE = b"RAMAT*gan", b"KFAR*saba", 79


def fail(exe, why):
    sys.stderr.write(f"pe_fixup: {exe}: {why}\n")
    sys.exit(1)


def header_span(data, at):
    sections = struct.unpack_from("<H", data, at + 6)[0]
    optional = struct.unpack_from("<H", data, at + 20)[0]
    size_of_headers = struct.unpack_from("<I", data, at + 24 + 60)[0]
    first_raw = min((struct.unpack_from("<I", data, at + 24 + optional + 40 * i + 20)[0]
                     for i in range(sections)), default=size_of_headers)
    return 4 + 20 + optional + 40 * sections, min(size_of_headers, first_raw or size_of_headers)


def check(exe, data):
    if data[:2] != b"MZ":
        fail(exe, "no MZ at 0")
    if struct.unpack_from("<I", data, 0x3C)[0] != PE_AT or data[PE_AT:PE_AT + 4] != b"PE\0\0":
        fail(exe, "no PE header at 256")
    if any(data[END_SLOTS[0]:END_SLOTS[1]]):
        fail(exe, "package end slots 248..255 are not zero")
    at = data.find(BLOCK_HEAD)
    if at < 0 or data[at + BLOCK_SIZE - len(BLOCK_TAIL):at + BLOCK_SIZE] != BLOCK_TAIL:
        fail(exe, "per-build block with its marks is missing")


def fixup(exe, data):
    if data[:2] != b"MZ":
        fail(exe, "not an MZ executable")
    old = struct.unpack_from("<I", data, 0x3C)[0]
    if data[old:old + 4] != b"PE\0\0":
        fail(exe, "e_lfanew does not point at a PE header")
    if old != PE_AT:
        length, room = header_span(data, old)
        if PE_AT + length > room:
            fail(exe, f"headers need {PE_AT + length} bytes but the header area holds {room}")
        header = bytes(data[old:old + length])
        data[old:old + length] = bytes(length)
        data[PE_AT:PE_AT + length] = header
        struct.pack_into("<I", data, 0x3C, PE_AT)
    data[END_SLOTS[0]:END_SLOTS[1]] = bytes(END_SLOTS[1] - END_SLOTS[0])
    check(exe, data)


def main(argv):
    only_check = argv[1:2] == ["--check"]
    exe = argv[-1]
    with open(exe, "rb") as f:
        data = bytearray(f.read())
    if only_check:
        check(exe, data)
    else:
        fixup(exe, data)
        with open(exe, "wb") as f:
            f.write(data)
    print(f"{exe.rsplit('/', 1)[-1]}: {len(data)} bytes")


if __name__ == "__main__":
    main(sys.argv)
