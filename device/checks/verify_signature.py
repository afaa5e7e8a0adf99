#!/usr/bin/env python3
"""Verifies the ad-hoc code signature of every slice of a Mach-O file (fat
or thin), as a kernel of iOS 7 to 9 would check its pages, and more strictly.
Written apart from the signer (device/link/adhoc_codesign.py) and sharing no
code with it, so that a mistake in one is not repeated by the other.

For each slice: LC_CODE_SIGNATURE points at a SuperBlob at the end of
__LINKEDIT, 16-byte aligned and covered by the segment; the SuperBlob holds
a SHA-1 code directory in slot 0, a SHA-256 one in slot 0x1000, an empty
requirements blob in slot 2 and at most an empty CMS wrapper besides; both
directories are ad-hoc, name the same identifier, end their code at the
signature, hash the requirements blob in special slot -2, the bundle's
Info.plist in slot -1 when one is given (a bundle's executable) and nothing
in the other special slots; and every 4 KiB page hash of both is recomputed from
the slice and compared.

    verify_signature.py FILE [--identifier IDENTIFIER] [--info-plist INFO_PLIST]
"""
import argparse
import hashlib
import struct
import sys

FAT_MAGIC = 0xCAFEBABE
ARCH_NAMES = {(12, 9): "armv7", (0x0100000C, 0): "arm64"}
HASH_TYPES = {1: ("SHA-1", hashlib.sha1, 20), 2: ("SHA-256", hashlib.sha256, 32)}
EXPECTED_DIRECTORIES = {0: 1, 0x1000: 2}  # slot -> hash type


class Invalid(Exception):
    pass


def be32(data, offset):
    if offset < 0 or offset + 4 > len(data):
        raise Invalid(f"read past the end at {offset}")
    return struct.unpack_from(">I", data, offset)[0]


def slices(data):
    """(name, bytes) of each slice, in the file's order."""
    if len(data) >= 8 and be32(data, 0) == FAT_MAGIC:
        count = be32(data, 4)
        found = []
        for i in range(count):
            cputype, subtype, offset, size, _ = struct.unpack_from(">5I", data, 8 + 20 * i)
            if offset + size > len(data):
                raise Invalid(f"slice {i} runs past the end of the file")
            found.append((ARCH_NAMES.get((cputype, subtype & 0xFFFFFF), f"cpu {cputype:#x}"),
                          data[offset:offset + size]))
        return found
    cputype, subtype = struct.unpack_from("<2I", data, 4)
    return [(ARCH_NAMES.get((cputype, subtype & 0xFFFFFF), f"cpu {cputype:#x}"), data)]


def load_commands(image):
    magic, _, _, _, ncmds, sizeofcmds = struct.unpack_from("<6I", image, 0)
    if magic not in (0xFEEDFACE, 0xFEEDFACF):
        raise Invalid("not a Mach-O image")
    is64 = magic == 0xFEEDFACF
    offset = 32 if is64 else 28
    end = offset + sizeofcmds
    segments, signature = [], []
    for _ in range(ncmds):
        cmd, cmdsize = struct.unpack_from("<2I", image, offset)
        if cmdsize < 8 or offset + cmdsize > end:
            raise Invalid("malformed load commands")
        if cmd == 0x19:
            name, vmsize, fileoff, filesize = struct.unpack_from("<16s8xQQQ", image, offset + 8)
            segments.append((name.rstrip(b"\0").decode(), vmsize, fileoff, filesize))
        elif cmd == 0x1:
            name, vmsize, fileoff, filesize = struct.unpack_from("<16s4xIII", image, offset + 8)
            segments.append((name.rstrip(b"\0").decode(), vmsize, fileoff, filesize))
        elif cmd == 0x1D:
            signature.append(struct.unpack_from("<2I", image, offset + 8))
        offset += cmdsize
    if len(signature) != 1:
        raise Invalid(f"{len(signature)} LC_CODE_SIGNATURE commands, not one")
    return segments, signature[0]


def check_placement(image, segments, dataoff, datasize):
    if dataoff % 16:
        raise Invalid(f"the signature's offset {dataoff} is not 16-byte aligned")
    if dataoff + datasize > len(image):
        raise Invalid("the signature runs past the end of the slice")
    linkedit = [s for s in segments if s[0] == "__LINKEDIT"]
    if not linkedit:
        raise Invalid("no __LINKEDIT segment")
    _, vmsize, fileoff, filesize = linkedit[0]
    if not fileoff <= dataoff or dataoff + datasize > fileoff + filesize:
        raise Invalid("__LINKEDIT does not cover the signature")
    if vmsize < filesize:
        raise Invalid("__LINKEDIT maps less than it holds")
    if any(s[2] + s[3] > fileoff + filesize for s in segments if s[0] != "__LINKEDIT"):
        raise Invalid("a segment lies past __LINKEDIT")


def blob_index(signature):
    if be32(signature, 0) != 0xFADE0CC0:
        raise Invalid("the signature is not a SuperBlob")
    length, count = be32(signature, 4), be32(signature, 8)
    if length > len(signature) or 12 + 8 * count > length:
        raise Invalid("the SuperBlob's length or count is out of range")
    blobs = {}
    for i in range(count):
        slot, offset = be32(signature, 12 + 8 * i), be32(signature, 16 + 8 * i)
        if slot in blobs:
            raise Invalid(f"slot {slot:#x} appears twice")
        blob_length = be32(signature, offset + 4)
        if offset + blob_length > length or blob_length < 8:
            raise Invalid(f"the blob in slot {slot:#x} runs past the SuperBlob")
        blobs[slot] = signature[offset:offset + blob_length]
    return blobs


def check_directory(image, slot, directory, hash_type, requirements, code_limit, info_plist):
    """The directory's identifier, after checking every field and hash."""
    name, function, size = HASH_TYPES[hash_type]
    (magic, length, version, flags, hash_offset, ident_offset, special, code_slots, limit) = \
        struct.unpack_from(">9I", directory, 0)
    actual_size, actual_type, _, page_shift = struct.unpack_from(">4B", directory, 36)
    where = f"slot {slot:#x}"
    if magic != 0xFADE0C02:
        raise Invalid(f"{where} is not a code directory")
    if (actual_type, actual_size) != (hash_type, size):
        raise Invalid(f"{where} hashes with type {actual_type} ({actual_size} bytes), not {name}")
    if version < 0x20001 or not flags & 0x2:
        raise Invalid(f"{where}: version {version:#x}, flags {flags:#x}: not an ad-hoc code directory")
    if version >= 0x20100 and len(directory) >= 48 and be32(directory, 44):
        raise Invalid(f"{where} has a scatter vector")
    if page_shift != 12:
        raise Invalid(f"{where} has pages of 2^{page_shift} bytes, not 4 KiB")
    if limit != code_limit:
        raise Invalid(f"{where} ends its code at {limit}, not at the signature ({code_limit})")
    if code_slots != -(-limit // 4096):
        raise Invalid(f"{where} has {code_slots} page hashes for {limit} bytes")
    if hash_offset + code_slots * size > length or hash_offset < special * size:
        raise Invalid(f"{where}: its hashes lie outside it")
    ident_end = directory.find(b"\0", ident_offset)
    if ident_end < 0 or ident_end >= hash_offset - special * size:
        raise Invalid(f"{where}: its identifier is not a string before the hashes")
    if special < 2:
        raise Invalid(f"{where} has no slot for the requirements")
    for n in range(1, special + 1):
        stored = directory[hash_offset - n * size:hash_offset - (n - 1) * size]
        if n == 2:
            expected = function(requirements).digest()
        elif n == 1 and info_plist is not None:
            expected = function(info_plist).digest()
        else:
            expected = bytes(size)
        if stored != expected:
            raise Invalid(f"{where}: special slot -{n} holds the wrong hash")
    bad = [page for page in range(code_slots)
           if directory[hash_offset + page * size:hash_offset + (page + 1) * size]
           != function(image[page * 4096:min((page + 1) * 4096, limit)]).digest()]
    if bad:
        raise Invalid(f"{where}: {name} hash of page {bad[0]} (bytes {bad[0] * 4096}-) does not match"
                      f" ({len(bad)} of {code_slots} pages differ)")
    return directory[ident_offset:ident_end].decode(errors="replace"), code_slots


def verify(image, info_plist=None):
    segments, (dataoff, datasize) = load_commands(image)
    check_placement(image, segments, dataoff, datasize)
    blobs = blob_index(image[dataoff:dataoff + datasize])
    unexpected = set(blobs) - {0, 2, 0x1000, 0x10000}
    if unexpected:
        raise Invalid(f"unexpected blobs in slots {sorted(hex(s) for s in unexpected)}")
    requirements = blobs.get(2)
    if requirements != struct.pack(">3I", 0xFADE0C01, 12, 0):
        raise Invalid("slot 2 does not hold an empty requirements blob")
    if 0x10000 in blobs and blobs[0x10000] != struct.pack(">2I", 0xFADE0B01, 8):
        raise Invalid("slot 0x10000 holds more than an empty CMS wrapper")
    identifiers, pages = set(), 0
    for slot, hash_type in EXPECTED_DIRECTORIES.items():
        if slot not in blobs:
            raise Invalid(f"no code directory in slot {slot:#x}")
        identifier, pages = check_directory(image, slot, blobs[slot], hash_type, requirements, dataoff, info_plist)
        identifiers.add(identifier)
    if len(identifiers) != 1:
        raise Invalid(f"the code directories name different identifiers: {sorted(identifiers)}")
    return identifiers.pop(), pages


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("file")
    parser.add_argument("--identifier")
    parser.add_argument("--info-plist", help="the bundle's Info.plist, whose hash special slot -1 holds")
    args = parser.parse_args()
    info_plist = None
    if args.info_plist:
        with open(args.info_plist, "rb") as f:
            info_plist = f.read()
    with open(args.file, "rb") as f:
        data = f.read()
    failures = 0
    try:
        found = slices(data)
    except (Invalid, struct.error) as error:
        sys.exit(f"FAIL: {args.file}: {error}")
    for arch, image in found:
        try:
            identifier, pages = verify(image, info_plist)
            if args.identifier is not None and identifier != args.identifier:
                raise Invalid(f"identifier '{identifier}', not '{args.identifier}'")
            print(f"{arch}: SHA-1 and SHA-256 code directories verified, {pages} pages each, identifier '{identifier}'")
        except (Invalid, struct.error, UnicodeDecodeError) as error:
            print(f"FAIL: {arch}: {error}")
            failures += 1
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
