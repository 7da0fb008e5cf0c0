#!/usr/bin/env python3
"""Puts a PE file into the form that signing leaves untouched: its length a multiple of 8 (zero
bytes appended) and its header checksum computed over that length.

    unsigned_pe.py FILE...

An Authenticode signature is appended at an 8-byte boundary, and the signer pads the file to
it and sets the checksum anew; removing the signature keeps both. A file already in this form
is what `osslsigncode remove-signature` gives back from its signed copy, byte for byte, so a
signed release differs from the unsigned one by its signatures alone.
"""
import struct
import sys
from pathlib import Path

SIGNATURE_ALIGNMENT = 8
CERTIFICATE_TABLE = 4  # the data directory that holds a signature


class NotUnsignedPe(ValueError):
    """The bytes are no PE image, or one that is already signed."""


def checksum_offset(image: bytes) -> int:
    """Where the header checksum lies, after checking that the image is a PE without a
    signature."""
    if len(image) < 0x40 or image[:2] != b"MZ":
        raise NotUnsignedPe("no MZ header")
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    optional = pe + 24
    if optional + 2 > len(image) or image[pe:pe + 4] != b"PE\0\0":
        raise NotUnsignedPe("no PE header")
    magic = struct.unpack_from("<H", image, optional)[0]
    if magic not in (0x10B, 0x20B):
        raise NotUnsignedPe(f"unknown optional header 0x{magic:X}")
    directories = optional + (96 if magic == 0x10B else 112)
    count_at = directories - 4
    if directories > len(image):
        raise NotUnsignedPe("truncated optional header")
    count = struct.unpack_from("<I", image, count_at)[0]
    entry = directories + 8 * CERTIFICATE_TABLE
    if count > CERTIFICATE_TABLE and entry + 8 <= len(image):
        if any(struct.unpack_from("<II", image, entry)):
            raise NotUnsignedPe("already signed")
    return optional + 64


def checksum(image: bytes, offset: int) -> int:
    """The PE checksum: 16-bit words summed with their carries folded back, the checksum field
    itself taken as zero, plus the file's length."""
    data = bytearray(image)
    data[offset:offset + 4] = bytes(4)
    if len(data) % 2:
        data.append(0)
    total = sum(struct.unpack(f"<{len(data) // 2}H", data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(image)) & 0xFFFFFFFF


def unsigned_form(image: bytes) -> bytes:
    offset = checksum_offset(image)
    padded = bytearray(image) + bytes(-len(image) % SIGNATURE_ALIGNMENT)
    struct.pack_into("<I", padded, offset, checksum(padded, offset))
    return bytes(padded)


def main(paths) -> int:
    for path in map(Path, paths):
        try:
            path.write_bytes(unsigned_form(path.read_bytes()))
        except (OSError, NotUnsignedPe) as error:
            print(f"unsigned_pe: {path}: {error}", file=sys.stderr)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
