#!/usr/bin/env python3
"""The armv7 slice's LC_UUID, recomputed apart from the step that wrote it
(device/link/add_uuid.py): on the slice as linked, before signing, the MD5
digest of the whole image with the UUID field zeroed, marked as a version 3
UUID of the RFC 4122 variant, as Apple's linker derives it; the signed slice
in the fat binary keeps the same UUID, and the arm64 slice has its own.

    check_uuid.py UNSIGNED_ARMV7_SLICE FAT_BINARY
"""
import hashlib
import struct
import sys

LC_UUID = 0x1B
FAT_MAGIC = 0xCAFEBABE


def uuid_of(image):
    """(the UUID, its offset in the image) of a thin little-endian Mach-O."""
    magic, _, _, _, ncmds = struct.unpack_from("<5I", image, 0)
    offset = 32 if magic == 0xFEEDFACF else 28
    found = []
    for _ in range(ncmds):
        cmd, size = struct.unpack_from("<II", image, offset)
        if cmd == LC_UUID:
            found.append(offset + 8)
        offset += size
    if len(found) != 1:
        raise ValueError(f"{len(found)} LC_UUID commands, not one")
    return bytes(image[found[0]:found[0] + 16]), found[0]


def slices(data):
    if struct.unpack_from(">I", data, 0)[0] != FAT_MAGIC:
        raise ValueError("not a fat binary")
    count = struct.unpack_from(">I", data, 4)[0]
    for i in range(count):
        cputype, _, offset, size, _ = struct.unpack_from(">5I", data, 8 + 20 * i)
        yield cputype, data[offset:offset + size]


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[-1].strip())
    with open(sys.argv[1], "rb") as f:
        unsigned = bytearray(f.read())
    with open(sys.argv[2], "rb") as f:
        fat = f.read()
    failures = 0
    uuid, at = uuid_of(unsigned)
    unsigned[at:at + 16] = bytes(16)
    digest = bytearray(hashlib.md5(unsigned).digest())
    digest[6] = (digest[6] & 0x0F) | 0x30
    digest[8] = (digest[8] & 0x3F) | 0x80
    if bytes(digest) != uuid:
        print(f"FAIL: the armv7 UUID {uuid.hex()} is not the digest of the image, {bytes(digest).hex()}")
        failures += 1
    uuids = {cputype: uuid_of(image)[0] for cputype, image in slices(fat)}
    if uuids.get(12) != uuid:
        print("FAIL: the signed armv7 slice's UUID is not the linked slice's")
        failures += 1
    if uuids.get(0x0100000C) in (None, uuid):
        print("FAIL: the arm64 slice has no UUID of its own")
        failures += 1
    print("UUIDs: " + ", ".join(f"{'armv7' if c == 12 else 'arm64'} {u.hex()}" for c, u in uuids.items()))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
