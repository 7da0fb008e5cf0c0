#!/usr/bin/env python3
"""Writes the sample package's two firmware images into a folder (default: beside the
description). They are made, not kept in the repository: deterministic filler with a small
header, sized so that writing them into the simulated camera of the demo takes about half a minute."""
import struct
import sys
from pathlib import Path

IMAGES = (
    # name, selector, size in bytes (not a multiple of 4, so the padding shows)
    ("main.bin", 1, 1_000_001),
    ("logic_0102.bin", 2, 60_002),
)


def image_bytes(selector: int, size: int) -> bytes:
    header = b"OVFW" + struct.pack("<HHI", 0x0102, selector, size)
    body = bytearray(size - len(header))
    state = 0x12345678 ^ selector
    for i in range(len(body)):  # a small linear congruential filler, the same on every run
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        body[i] = state >> 16 & 0xFF
    return header + bytes(body)


def main() -> int:
    folder = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent / "UPDATEFILES"
    folder.mkdir(parents=True, exist_ok=True)
    for name, selector, size in IMAGES:
        (folder / name).write_bytes(image_bytes(selector, size))
        print(f"{folder / name}: {size} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
