"""Gives the exported Thumb functions of a linked 32-bit ARM Mach-O image
their Thumb bit in the export trie.

The loader hands out an export's trie address as is (dlsym, and every bind
of another image to it), so a Thumb function must be exported at its
address + 1, as Apple's ld64 writes it; a caller's BLX to the even address
would run Thumb code as ARM. ld64.lld.darwinold writes the even address.
The symbol table says which functions are Thumb (N_ARM_THUMB_DEF). Setting
bit 0 of an even ULEB128 value changes only its first byte, so the trie
keeps its size and layout.

A step of link_armv7.py.
"""
import struct

MH_MAGIC = 0xFEEDFACE
CPU_TYPE_ARM = 12
LC_SYMTAB = 0x2
LC_DYLD_INFO, LC_DYLD_INFO_ONLY = 0x22, 0x80000022
N_STAB, N_TYPE, N_SECT = 0xE0, 0x0E, 0x0E
N_ARM_THUMB_DEF = 0x0008
EXPORT_SYMBOL_FLAGS_REEXPORT, EXPORT_SYMBOL_FLAGS_STUB_AND_RESOLVER = 0x08, 0x10


class ImageError(Exception):
    pass


def uleb128(data, offset, end):
    value, shift = 0, 0
    while True:
        if offset >= end or shift > 63:
            raise ImageError("export trie: malformed number")
        byte = data[offset]
        offset += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if byte < 0x80:
            return value, offset


def thumb_functions(data, symoff, nsyms, stroff, strsize):
    """Names of the defined Thumb functions, with their addresses."""
    functions = {}
    for i in range(nsyms):
        strx, ntype, _, desc, value = struct.unpack_from("<IBBhI", data, symoff + 12 * i)
        if ntype & N_STAB or ntype & N_TYPE != N_SECT or not desc & N_ARM_THUMB_DEF:
            continue
        if strx >= strsize:
            raise ImageError("symbol name outside the string table")
        name = data[stroff + strx:data.index(b"\0", stroff + strx)].decode()
        functions[name] = value
    return functions


def exports(data, start, size):
    """(name, offset of its address's first byte, address) for every export."""
    end = start + size
    found, pending, visited = [], [(0, b"")] if size else [], set()
    while pending:
        node, prefix = pending.pop()
        if node in visited or node >= size:
            raise ImageError("export trie: a node is out of range or reached twice")
        visited.add(node)
        offset = start + node
        terminal_size, offset = uleb128(data, offset, end)
        children = offset + terminal_size
        if terminal_size:
            flags, address_offset = uleb128(data, offset, end)
            if not flags & (EXPORT_SYMBOL_FLAGS_REEXPORT | EXPORT_SYMBOL_FLAGS_STUB_AND_RESOLVER):
                address, _ = uleb128(data, address_offset, end)
                found.append((prefix.decode(), address_offset, address))
        if children >= end:
            raise ImageError("export trie: a node runs past its end")
        count, offset = data[children], children + 1
        for _ in range(count):
            label_end = data.index(b"\0", offset, end)
            child, next_offset = uleb128(data, label_end + 1, end)
            pending.append((child, prefix + data[offset:label_end]))
            offset = next_offset
    return found


def mark_thumb_exports(data):
    magic, cputype, _, _, ncmds, _, _ = struct.unpack_from("<7I", data, 0)
    if magic != MH_MAGIC or cputype != CPU_TYPE_ARM:
        raise ImageError("not a 32-bit ARM Mach-O image")
    symtab = trie = None
    offset = 28
    for _ in range(ncmds):
        cmd, cmdsize = struct.unpack_from("<2I", data, offset)
        if cmd == LC_SYMTAB:
            symtab = struct.unpack_from("<4I", data, offset + 8)
        elif cmd in (LC_DYLD_INFO, LC_DYLD_INFO_ONLY):
            trie = struct.unpack_from("<2I", data, offset + 40)
        offset += cmdsize
    if symtab is None or trie is None:
        raise ImageError("no symbol table or no export trie")
    thumb = thumb_functions(data, *symtab)
    marked = []
    for name, address_offset, address in exports(data, *trie):
        if name in thumb and address == thumb[name]:
            data[address_offset] |= 1
            marked.append(name)
    return marked

