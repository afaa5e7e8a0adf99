"""Rewrites a 32-bit ARM Mach-O object so that ld64.lld.darwinold links its
non-lazy pointers.

clang reaches a global that may live in another image (an import, or a
symbol of another of our objects with default visibility) through a
non-lazy pointer: a word in a S_NON_LAZY_SYMBOL_POINTERS section whose target
is named only by the indirect symbol table. LLVM's previous Mach-O linker
does not read that table for ARM: it copies such a section as plain data and
the pointers stay zero. Here each pointer gets what it means spelled as an
ordinary relocation (ARM_RELOC_VANILLA against its symbol, or for a local
symbol against its section), so the linker fills the word for a symbol of
the image (with the Thumb bit, rebased) and binds it for an import.

The section keeps its type: the linker then cuts it into one atom per
pointer. Made a regular section, it is one atom without symbols, and the
linker drops the offset within it of a movw/movt pair's target (an
ARM_RELOC_HALF_SECTDIFF): every function's pointers resolved to one word,
and the armv7 slice, run under emulation, called savedCount's address as
its first replacement.

A step of link_armv7.py.
"""
import struct

MH_MAGIC = 0xFEEDFACE
CPU_TYPE_ARM = 12
LC_SEGMENT, LC_SYMTAB, LC_DYSYMTAB = 0x1, 0x2, 0xB
SECTION_TYPE = 0xFF
S_REGULAR, S_NON_LAZY_SYMBOL_POINTERS = 0x0, 0x6
INDIRECT_SYMBOL_LOCAL, INDIRECT_SYMBOL_ABS = 0x80000000, 0x40000000
SECTION_SIZE = 68  # struct section (32-bit)


class ObjectError(Exception):
    pass


def vanilla_relocation(offset, target, extern):
    # struct relocation_info: r_address, then r_symbolnum:24 r_pcrel:1
    # r_length:2 (2 = 4 bytes) r_extern:1 r_type:4 (ARM_RELOC_VANILLA = 0).
    # The target is a symbol's index, or for a local one its section's number.
    return struct.pack("<iI", offset, target | (2 << 25) | (int(extern) << 27))


def section_number(data, sections, address):
    """The 1-based number of the section holding an address."""
    for number, header in enumerate(sections, 1):
        start, size = struct.unpack_from("<2I", data, header + 32)
        if start <= address < start + size:
            return number
    raise ObjectError(f"a local pointer's target {address:#x} is in no section")


def rewrite(data):
    magic, cputype, _, filetype, ncmds, _, _ = struct.unpack_from("<7I", data, 0)
    if magic != MH_MAGIC or cputype != CPU_TYPE_ARM or filetype != 1:
        raise ObjectError("not a 32-bit ARM Mach-O object")
    sections, indirect = [], None
    offset = 28
    for _ in range(ncmds):
        cmd, cmdsize = struct.unpack_from("<2I", data, offset)
        if cmd == LC_SEGMENT:
            nsects = struct.unpack_from("<I", data, offset + 48)[0]
            sections += [offset + 56 + i * SECTION_SIZE for i in range(nsects)]
        elif cmd == LC_DYSYMTAB:
            indirect_offset, indirect_count = struct.unpack_from("<2I", data, offset + 56)
            indirect = struct.unpack_from(f"<{indirect_count}I", data, indirect_offset)
        offset += cmdsize

    appended = bytearray()
    for header in sections:
        name = data[header:header + 16].rstrip(b"\0").decode()
        size, _, _, reloff, nreloc, flags, reserved1 = struct.unpack_from("<7I", data, header + 36)
        if flags & SECTION_TYPE != S_NON_LAZY_SYMBOL_POINTERS:
            continue
        if indirect is None or reserved1 + size // 4 > len(indirect):
            raise ObjectError(f"{name}: its pointers have no indirect symbols")
        if nreloc:
            raise ObjectError(f"{name}: a pointer section with relocations of its own")
        relocations = bytearray()
        contents = struct.unpack_from("<I", data, header + 40)[0]
        for slot in range(size // 4):
            symbol = indirect[reserved1 + slot]
            if symbol & INDIRECT_SYMBOL_ABS:
                continue  # an absolute value, already in the word
            if symbol & INDIRECT_SYMBOL_LOCAL:
                # The assembler has put the local symbol's address in the word.
                target = struct.unpack_from("<I", data, contents + slot * 4)[0]
                relocations += vanilla_relocation(slot * 4, section_number(data, sections, target), False)
            else:
                relocations += vanilla_relocation(slot * 4, symbol, True)
        start = len(data) + len(appended)
        start += -start % 4
        appended += b"\0" * (start - len(data) - len(appended)) + relocations
        struct.pack_into("<2I", data, header + 48, start, size // 4)
    return data + appended

