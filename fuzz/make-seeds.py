#!/usr/bin/env python3
"""Seed corpora for fuzz_unshrink and fuzz_explode from the shrunk and imploded members of the
real archives, in the input layout each target reads (see the comment at its top).

usage: make-seeds.py FIXTURE_DIR OUT_DIR   (writes OUT_DIR/unshrink and OUT_DIR/explode)
"""
import pathlib
import struct
import sys
import zipfile


def members(fixtures):
    for path in sorted(pathlib.Path(fixtures).rglob("*")):
        if path.suffix.lower() != ".zip":
            continue
        raw = path.read_bytes()
        try:
            infos = zipfile.ZipFile(path).infolist()
        except zipfile.BadZipFile:
            continue
        for info in infos:
            h = info.header_offset
            name_len, extra_len = struct.unpack("<HH", raw[h + 26:h + 30])
            start = h + 30 + name_len + extra_len
            yield info, raw[start:start + info.compress_size]


def main(fixtures, out):
    unshrink = pathlib.Path(out, "unshrink")
    explode = pathlib.Path(out, "explode")
    unshrink.mkdir(parents=True, exist_ok=True)
    explode.mkdir(parents=True, exist_ok=True)
    count = 0
    for info, data in members(fixtures):
        if info.compress_type == 1 and len(data) <= 8192:
            (unshrink / f"s{count}").write_bytes(b"\x00" + data)
        elif info.compress_type == 6 and len(data) <= 32768:
            head = info.flag_bits & 0x06
            size = min(info.file_size // 16 + 1, 0xFFFF)
            (explode / f"e{count}").write_bytes(bytes([head]) + struct.pack("<H", size) + data)
        count += 1


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
