"""Gives a linked 32-bit ARM Mach-O image the LC_UUID that ld64.lld.darwinold
does not write. Crash logs name each image by its UUID, and symbolication
finds the binary by it; Apple's linker writes one into every image.

The UUID is derived from the image as Apple's ld64 derives it
(OutputFile::computeContentUUID): the MD5 digest of the whole file with the
UUID field zeroed, marked as a version 3 (name-based, MD5) UUID of the RFC
4122 variant. The same input therefore gives the same UUID. The command goes
after the last load command, in the padding the linker leaves before the
first section; an image without room for it is refused, not overwritten.
An image that has a UUID already keeps it.

A step of link_armv7.py, before the image is signed (the signature covers
the UUID).
"""
import hashlib
import struct

MH_MAGIC = 0xFEEDFACE
HEADER_SIZE = 28
LC_SEGMENT, LC_UUID = 0x1, 0x1B
UUID_COMMAND_SIZE = 24
SECTION_SIZE = 68


class ImageError(Exception):
    pass


def first_content_offset(data, ncmds):
    """The file offset of the first section's contents: where the load
    commands' room ends."""
    offset, first = HEADER_SIZE, len(data)
    for _ in range(ncmds):
        cmd, cmdsize = struct.unpack_from("<II", data, offset)
        if cmdsize < 8 or offset + cmdsize > len(data):
            raise ImageError("malformed load command")
        if cmd == LC_SEGMENT:
            nsects = struct.unpack_from("<I", data, offset + 48)[0]
            for i in range(nsects):
                section = offset + 56 + i * SECTION_SIZE
                size, fileoff = struct.unpack_from("<II", data, section + 36)
                flags = struct.unpack_from("<I", data, section + 64)[0]
                if size and fileoff and flags & 0xFF not in (0x1, 0xC, 0x12):  # not zero-fill
                    first = min(first, fileoff)
        offset += cmdsize
    return first


def add_uuid(data):
    """Adds LC_UUID to `data` (a bytearray) in place; returns the UUID."""
    magic, _, _, _, ncmds, sizeofcmds, _ = struct.unpack_from("<7I", data, 0)
    if magic != MH_MAGIC:
        raise ImageError("not a 32-bit little-endian Mach-O image")
    offset = HEADER_SIZE
    for _ in range(ncmds):
        cmd, cmdsize = struct.unpack_from("<II", data, offset)
        if cmd == LC_UUID:
            return bytes(data[offset + 8:offset + 24])
        offset += cmdsize
    end = HEADER_SIZE + sizeofcmds
    if end + UUID_COMMAND_SIZE > first_content_offset(data, ncmds):
        raise ImageError("no room after the load commands for LC_UUID")
    if any(data[end:end + UUID_COMMAND_SIZE]):
        raise ImageError("the room after the load commands is not empty")
    struct.pack_into("<II16s", data, end, LC_UUID, UUID_COMMAND_SIZE, bytes(16))
    struct.pack_into("<II", data, 16, ncmds + 1, sizeofcmds + UUID_COMMAND_SIZE)
    digest = bytearray(hashlib.md5(data).digest())
    digest[6] = (digest[6] & 0x0F) | 0x30
    digest[8] = (digest[8] & 0x3F) | 0x80
    data[end + 8:end + 24] = digest
    return bytes(digest)
