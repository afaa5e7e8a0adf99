#!/usr/bin/env python3
"""Ad-hoc signs a thin Mach-O image (arm64 or armv7) the way iOS 7 to 9 read
a signature.

Why our own signer: no Debian or npm package signs Mach-O this way. ld64.lld
(-adhoc_codesign) writes one SHA-256 code directory only, which kernels
before iOS 11 do not accept (they read the primary slot and expect SHA-1;
iOS 7 and 8 predate SHA-256 code directories), and ld64.lld.darwinold signs
nothing. The signing tools of that era wrote a SHA-1 code directory in the
primary slot and a SHA-256 one in the first alternate slot; this does the
same, from Apple's public description of the format (cs_blobs.h).

Why Python: the signer runs inside the device build, whose compiler makes
iOS code; a host program would need a second toolchain there, while
Python's standard library has the two hashes and byte packing it needs.

The signature (all fields big-endian), appended 16-byte aligned at the end
of __LINKEDIT, which grows to cover it; LC_CODE_SIGNATURE points at it:
  SuperBlob 0xfade0cc0
    slot 0       CodeDirectory, SHA-1 page hashes
    slot 2       Requirements, empty
    slot 0x1000  CodeDirectory, SHA-256 page hashes
    slot 0x10000 CMS wrapper, empty (what ad-hoc signers of the era wrote)
Each code directory hashes every 4 KiB page of the image below the
signature; special slot -2 holds the hash of the requirements blob, slot -1 the hash
of the bundle's Info.plist for a bundle's executable (as codesign binds a
bundle's executable to its Info.plist), zero for a dylib. An image that is already signed is signed afresh (its
old signature is dropped first), so signing twice gives the same bytes.

    adhoc_codesign.py INPUT OUTPUT IDENTIFIER [INFO_PLIST]
"""
import hashlib
import shutil
import struct
import sys

MH_MAGIC, MH_MAGIC_64 = 0xFEEDFACE, 0xFEEDFACF
LC_SEGMENT, LC_SEGMENT_64, LC_CODE_SIGNATURE = 0x1, 0x19, 0x1D
ZEROFILL_TYPES = (0x1, 0xC, 0x12)  # S_ZEROFILL, S_GB_ZEROFILL, S_THREAD_LOCAL_ZEROFILL

SUPERBLOB, CODEDIRECTORY, REQUIREMENTS, BLOBWRAPPER = 0xFADE0CC0, 0xFADE0C02, 0xFADE0C01, 0xFADE0B01
SLOT_CODEDIRECTORY, SLOT_REQUIREMENTS, SLOT_ALTERNATE_CODEDIRECTORY, SLOT_CMS = 0, 2, 0x1000, 0x10000
VERSION_WITH_SCATTER = 0x20100  # what the era's signers wrote without a team identifier
FLAG_ADHOC = 0x2
PAGE_SHIFT, PAGE_SIZE = 12, 4096
SPECIAL_SLOTS = 2  # -1 Info.plist (none), -2 requirements
CODEDIRECTORY_HEADER = 48  # through scatterOffset
HASHES = ((hashlib.sha1, 1, 20), (hashlib.sha256, 2, 32))  # (function, hashType, hashSize)


class SigningError(Exception):
    pass


def align(value, alignment):
    return -(-value // alignment) * alignment


class Image:
    """The load commands of a thin little-endian Mach-O that signing touches."""

    def __init__(self, data):
        magic = struct.unpack_from("<I", data, 0)[0]
        if magic not in (MH_MAGIC, MH_MAGIC_64):
            raise SigningError("not a thin little-endian Mach-O image")
        self.is64 = magic == MH_MAGIC_64
        self.header_size = 32 if self.is64 else 28
        self.ncmds, self.sizeofcmds = struct.unpack_from("<2I", data, 16)
        self.linkedit = self.signature_command = None
        self.first_content = len(data)
        offset = self.header_size
        for _ in range(self.ncmds):
            cmd, cmdsize = struct.unpack_from("<2I", data, offset)
            if cmdsize < 8 or offset + cmdsize > self.header_size + self.sizeofcmds:
                raise SigningError("a load command runs past the header")
            if cmd in (LC_SEGMENT, LC_SEGMENT_64):
                self._segment(data, offset, cmd == LC_SEGMENT_64)
            elif cmd == LC_CODE_SIGNATURE:
                self.signature_command = offset
            offset += cmdsize
        if self.linkedit is None:
            raise SigningError("no __LINKEDIT segment")

    def _segment(self, data, offset, is64):
        if is64:
            name, fileoff, filesize, nsects = struct.unpack_from("<16s16xQQ8xI", data, offset + 8)
            sections, section_size, size_field, offset_field = offset + 72, 80, 40, 48
        else:
            name, fileoff, filesize, nsects = struct.unpack_from("<16s4x4xII8xI", data, offset + 8)
            sections, section_size, size_field, offset_field = offset + 56, 68, 36, 40
        if name.rstrip(b"\0") == b"__LINKEDIT":
            self.linkedit = offset
        for i in range(nsects):
            section = sections + i * section_size
            size = struct.unpack_from("<Q" if is64 else "<I", data, section + size_field)[0]
            file_offset = struct.unpack_from("<I", data, section + offset_field)[0]
            flags = struct.unpack_from("<I", data, section + offset_field + 16)[0]
            if size and flags & 0xFF not in ZEROFILL_TYPES:
                self.first_content = min(self.first_content, file_offset)

    def linkedit_fields(self, data):
        """(fileoff, filesize, vmsize) of __LINKEDIT."""
        if self.is64:
            vmsize, fileoff, filesize = struct.unpack_from("<3Q", data, self.linkedit + 32)
        else:
            vmsize, fileoff, filesize = struct.unpack_from("<3I", data, self.linkedit + 28)
        return fileoff, filesize, vmsize

    def set_linkedit(self, data, filesize, vmsize):
        if self.is64:
            struct.pack_into("<Q", data, self.linkedit + 32, vmsize)
            struct.pack_into("<Q", data, self.linkedit + 48, filesize)
        else:
            struct.pack_into("<I", data, self.linkedit + 28, vmsize)
            struct.pack_into("<I", data, self.linkedit + 36, filesize)


def unsigned(data, image):
    """The image without its old signature, with LC_CODE_SIGNATURE's place."""
    fileoff, filesize, _ = image.linkedit_fields(data)
    if image.signature_command is not None:
        dataoff, datasize = struct.unpack_from("<2I", data, image.signature_command + 8)
        if dataoff + datasize != fileoff + filesize or fileoff + filesize != len(data):
            raise SigningError("the old signature is not at the end of __LINKEDIT")
        del data[dataoff:]
        return image.signature_command
    if fileoff + filesize != len(data):
        raise SigningError("__LINKEDIT does not end the file")
    command = image.header_size + image.sizeofcmds
    if command + 16 > image.first_content or any(data[command:command + 16]):
        raise SigningError("no room after the load commands for LC_CODE_SIGNATURE")
    struct.pack_into("<2I", data, 0x10, image.ncmds + 1, image.sizeofcmds + 16)
    struct.pack_into("<2I", data, command, LC_CODE_SIGNATURE, 16)
    return command


def code_directory(data, code_limit, identifier, requirements, info_plist, hash_function, hash_type, hash_size):
    ident = identifier.encode() + b"\0"
    ident += b"\0" * (-len(ident) % 4)  # keeps the hashes and the next blob 4-byte aligned
    code_slots = align(code_limit, PAGE_SIZE) // PAGE_SIZE
    hash_offset = CODEDIRECTORY_HEADER + len(ident) + SPECIAL_SLOTS * hash_size
    length = hash_offset + code_slots * hash_size
    header = struct.pack(">9I4BII", CODEDIRECTORY, length, VERSION_WITH_SCATTER, FLAG_ADHOC, hash_offset,
                         CODEDIRECTORY_HEADER, SPECIAL_SLOTS, code_slots, code_limit,
                         hash_size, hash_type, 0, PAGE_SHIFT, 0, 0)
    info = hash_function(info_plist).digest() if info_plist is not None else b"\0" * hash_size
    special = hash_function(requirements).digest() + info  # slots -2, -1
    pages = b"".join(hash_function(data[page:min(page + PAGE_SIZE, code_limit)]).digest()
                     for page in range(0, code_limit, PAGE_SIZE))
    return header + ident + special + pages


def signature_length(code_limit, identifier):
    ident = align(len(identifier.encode()) + 1, 4)
    slots = SPECIAL_SLOTS + align(code_limit, PAGE_SIZE) // PAGE_SIZE
    directories = sum(CODEDIRECTORY_HEADER + ident + slots * size for _, _, size in HASHES)
    return 12 + 4 * 8 + directories + 12 + 8


def sign(data, identifier, info_plist=None):
    image = Image(data)
    command = unsigned(data, image)
    fileoff, _, vmsize = image.linkedit_fields(data)
    code_limit = align(len(data), 16)
    data += b"\0" * (code_limit - len(data))
    datasize = align(signature_length(code_limit, identifier), 16)
    # Every header field is final before the first page is hashed.
    struct.pack_into("<2I", data, command + 8, code_limit, datasize)
    filesize = code_limit + datasize - fileoff
    segment_page = 0x4000 if image.is64 else 0x1000  # iOS's page size for the processor
    image.set_linkedit(data, filesize, max(vmsize, align(filesize, segment_page)))

    requirements = struct.pack(">3I", REQUIREMENTS, 12, 0)
    sha1, sha256 = (code_directory(data, code_limit, identifier, requirements, info_plist, *h) for h in HASHES)
    blobs = [(SLOT_CODEDIRECTORY, sha1), (SLOT_REQUIREMENTS, requirements),
             (SLOT_ALTERNATE_CODEDIRECTORY, sha256), (SLOT_CMS, struct.pack(">2I", BLOBWRAPPER, 8))]
    offset = 12 + 8 * len(blobs)
    index, contents = b"", b""
    for slot, blob in blobs:
        index += struct.pack(">2I", slot, offset + len(contents))
        contents += blob
    superblob = struct.pack(">3I", SUPERBLOB, offset + len(contents), len(blobs)) + index + contents
    assert len(superblob) <= datasize
    data += superblob + b"\0" * (datasize - len(superblob))
    return data


def main(argv):
    if len(argv) not in (4, 5) or not argv[3]:
        sys.exit(__doc__.strip().splitlines()[-1].strip())
    with open(argv[1], "rb") as f:
        data = bytearray(f.read())
    info_plist = None
    if len(argv) == 5 and argv[4]:
        with open(argv[4], "rb") as f:
            info_plist = f.read()
    try:
        signed = sign(data, argv[3], info_plist)
    except (SigningError, struct.error) as error:
        sys.exit(f"{argv[1]}: {error}")
    with open(argv[2], "wb") as f:
        f.write(signed)
    shutil.copymode(argv[1], argv[2])


if __name__ == "__main__":
    main(sys.argv)
