#!/usr/bin/env python3
"""The armv7 slice of a fat device binary, against the defects of the linker
that makes it (ld64.lld.darwinold), each of which would crash the slice on a
device while every other check passes:
  - no Thumb-to-ARM branch shim (it miscodes them: `add pc, pc`);
  - every non-lazy pointer the objects asked for is filled: rebased to a
    symbol of the image, or bound to an import (it leaves them zero);
  - every pointer it sets points into a section, and every pointer into the
    code is a function's address with the Thumb bit its function needs
    (initialisers, replacements, block functions);
  - every exported Thumb function is exported at its address + 1;
  - every stub jumps through the lazy pointer of its own symbol, and every
    lazy pointer is bound lazily and starts at a stub helper entry
    that hands dyld_stub_binder the lazy-bind record of that pointer.
And, given the objects it was linked from, against them: every branch that
an object's relocation asks for (BL, BLX or B.W to a symbol) reaches, in the
slice, that symbol's function with a BL, or an import's stub with a BLX.
The tables are decoded by llvm-objdump and llvm-nm; the words they point at
are read from the slice here.

    check_armv7_link.py BINARY [OBJECT_DIR]
"""
import collections
import os
import re
import struct
import subprocess
import sys

OBJDUMP = os.environ.get("LLVM_OBJDUMP", "llvm-objdump-19")
NM = os.environ.get("LLVM_NM", "llvm-nm-19")


def tool(*args):
    return subprocess.run(args, capture_output=True, text=True, check=True).stdout


def armv7_slice(data):
    if struct.unpack_from(">I", data, 0)[0] != 0xCAFEBABE:
        return data
    for i in range(struct.unpack_from(">I", data, 4)[0]):
        cputype, subtype, offset, size, _ = struct.unpack_from(">5I", data, 8 + 20 * i)
        if (cputype, subtype) == (12, 9):
            return data[offset:offset + size]
    sys.exit("FAIL: no armv7 slice")


def layout(image):
    """Sections by (segment, name): (address, size); segments: (vmaddr, vmsize, fileoff);
    the lazy-bind information: (offset, size)."""
    ncmds = struct.unpack_from("<I", image, 16)[0]
    sections, segments, lazy_info, offset = {}, [], (0, 0), 28
    for _ in range(ncmds):
        cmd, cmdsize = struct.unpack_from("<2I", image, offset)
        if cmd in (0x22, 0x80000022):  # LC_DYLD_INFO(_ONLY)
            lazy_info = struct.unpack_from("<2I", image, offset + 32)
        elif cmd == 0x1:
            vmaddr, vmsize, fileoff, _, _, _, nsects = struct.unpack_from("<4I3I", image, offset + 24)
            segments.append((vmaddr, vmsize, fileoff))
            for i in range(nsects):
                at = offset + 56 + 68 * i
                name, segment = (image[at + k:at + k + 16].rstrip(b"\0").decode() for k in (0, 16))
                sections[(segment, name)] = struct.unpack_from("<2I", image, at + 32)
        offset += cmdsize
    return sections, segments, lazy_info


def uleb128(data, offset):
    value, shift = 0, 0
    while True:
        byte = data[offset]
        offset += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if byte < 0x80:
            return value, offset


def lazy_record(image, segments, lazy_info, record):
    """(address, symbol) that the lazy-bind record at an offset binds."""
    start, size = lazy_info
    at, end = start + record, start + size
    segment_offset = symbol = None
    while at < end:
        opcode, immediate = image[at] & 0xF0, image[at] & 0x0F
        at += 1
        if opcode == 0x70:  # BIND_OPCODE_SET_SEGMENT_AND_OFFSET_ULEB
            offset, at = uleb128(image, at)
            segment_offset = segments[immediate][0] + offset
        elif opcode == 0x40:  # BIND_OPCODE_SET_SYMBOL_TRAILING_FLAGS_IMM
            name_end = image.index(b"\0", at)
            symbol, at = image[at:name_end].decode(), name_end + 1
        elif opcode == 0x20:  # BIND_OPCODE_SET_DYLIB_ORDINAL_ULEB
            _, at = uleb128(image, at)
        elif opcode == 0x90:  # BIND_OPCODE_DO_BIND
            return segment_offset, symbol
        elif opcode not in (0x10, 0x30, 0x50):  # dylib ordinal immediate, special, type
            break
    return None, None


def word(image, segments, address):
    for vmaddr, vmsize, fileoff in segments:
        if vmaddr <= address < vmaddr + vmsize:
            return struct.unpack_from("<I", image, fileoff + address - vmaddr)[0]
    raise ValueError(f"{address:#x} is not mapped")


def table_addresses(binary, option, column):
    """The addresses of a rebase or bind table, with the rest of each line."""
    rows = {}
    for line in tool(OBJDUMP, "--macho", "--arch", "armv7", option, binary).splitlines():
        fields = line.split()
        if len(fields) > column and re.fullmatch(r"0x[0-9A-Fa-f]+", fields[column]):
            rows[int(fields[column], 16)] = fields
    return rows


def per_file(output):
    """Lines of a tool's output over several files, by file."""
    files, current = {}, None
    for line in output.splitlines():
        if line.endswith(":") and "/" in line and not line.startswith(" "):
            current = files.setdefault(line[:-1], [])
        elif current is not None and line.strip():
            current.append(line)
    return files


def check_calls(binary, object_dir, functions, names):
    """Failures of the branches the objects' relocations ask for, and how many were followed."""
    objects = sorted(os.path.join(object_dir, name) for name in os.listdir(object_dir))
    # A name that two objects both define locally cannot be told apart here.
    counts = collections.Counter(line.split()[-1] for line in tool(NM, "--arch", "armv7", binary).splitlines()
                                 if line.split())
    repeated = {name for name, count in counts.items() if count > 1}
    stubs, in_stubs = {}, False
    for line in tool(OBJDUMP, "--macho", "--arch", "armv7", "--indirect-symbols", binary).splitlines():
        fields = line.split()
        if line.startswith("Indirect symbols for"):
            in_stubs = "(__TEXT,__stubs)" in line
        elif in_stubs and len(fields) == 3 and fields[0].startswith("0x"):
            stubs.setdefault(fields[2], set()).add(int(fields[0], 16))
    branches = {}
    for line in tool(OBJDUMP, "--macho", "--arch", "armv7", "-d", "--no-symbolic-operands", binary).splitlines():
        fields = line.split("\t")
        if len(fields) >= 4 and fields[0].strip().endswith(":"):
            branches[int(fields[0].strip()[:-1], 16)] = (fields[2], fields[3].split()[0] if fields[3] else "")

    starts = {}  # object -> [(offset, function)]
    for path, lines in per_file(tool(NM, "-n", "--defined-only", *objects)).items():
        starts[path] = [(int(l.split()[0], 16), l.split()[-1]) for l in lines
                        if l.split()[1] in "tT" and not l.split()[-1].startswith("ltmp")]
    failures, followed = [], 0
    for path, lines in per_file(tool(OBJDUMP, "--macho", "-r", *objects)).items():
        for line in lines:
            fields = line.split()
            if len(fields) != 7 or fields[4] != "T_BR22" or fields[3] != "True":
                continue
            offset, target = int(fields[0], 16), fields[6]
            owner = max(((o, f) for o, f in starts.get(path, []) if o <= offset), default=None)
            if owner is None or owner[1] in repeated or owner[1] not in names:
                continue
            at = names[owner[1]] + offset - owner[0]
            where = f"{os.path.basename(path)}+{offset:#x} ({at:#x}, to {target})"
            mnemonic, operand = branches.get(at, ("", ""))
            try:
                reached = int(operand, 16)
            except ValueError:
                failures.append(f"{where}: no branch in the slice ({mnemonic} {operand})")
                continue
            followed += 1
            kind = re.fullmatch(r"(blx|bl|b)(?:eq|ne|cs|hs|cc|lo|mi|pl|vs|vc|hi|ls|ge|lt|gt|le|al)?(\.w)?", mnemonic)
            mnemonic = kind[1] + (kind[2] or "") if kind else mnemonic  # without the condition of an IT block
            if target in names and target not in repeated:
                if reached != names[target] or not functions.get(reached) or mnemonic not in ("bl", "b.w"):
                    failures.append(f"{where}: {mnemonic} {operand}, not a Thumb branch to {names[target]:#x}")
            elif target in stubs:
                if reached not in stubs[target] or mnemonic != "blx":
                    failures.append(f"{where}: {mnemonic} {operand}, not a BLX to its stub")
            elif target not in repeated:
                failures.append(f"{where}: {target} is neither in the slice nor imported")
    return failures, followed


def main():
    binary = sys.argv[1]
    with open(binary, "rb") as f:
        image = armv7_slice(f.read())
    sections, segments, lazy_info = layout(image)
    failures = []

    functions, names = {}, {}
    for line in tool(NM, "--arch", "armv7", "-m", "--defined-only", binary).splitlines():
        match = re.match(r"([0-9a-f]+) \(__TEXT,__text\) .*?(\[Thumb\] )?(\S+)$", line)
        if match:
            functions[int(match[1], 16)] = bool(match[2])
            names[match[3]] = int(match[1], 16)
    shims = [name for name in names if name.endswith("$shim")]
    if shims:
        failures.append(f"Thumb-to-ARM shims: {' '.join(shims)}")

    rebases = table_addresses(binary, "--rebase", 2)
    binds = table_addresses(binary, "--bind", 2)
    lazy_binds = table_addresses(binary, "--lazy-bind", 2)

    def in_section(key, address):
        start, size = sections.get(key, (0, 0))
        return start <= address < start + size

    for address in rebases:
        value = word(image, segments, address)
        if not any(in_section(key, value) for key in sections):
            failures.append(f"the pointer at {address:#x} ({value:#x}) points into no section")
        elif in_section(("__TEXT", "__text"), value):
            start = value & ~1
            if start not in functions:
                failures.append(f"the pointer at {address:#x} ({value:#x}) is not a function's address")
            elif bool(value & 1) != functions[start]:
                failures.append(f"the pointer at {address:#x} ({value:#x}) has the wrong Thumb bit")

    pointers = 0
    for key in (("__DATA", "__nl_symbol_ptr"), ("__DATA", "__mod_init_func")):
        start, size = sections.get(key, (0, 0))
        for address in range(start, start + size, 4):
            pointers += 1
            if address not in binds and not (address in rebases and word(image, segments, address)):
                failures.append(f"{key[1]} pointer at {address:#x} is neither bound nor set")

    # The stub helper reaches the loader through this one; the other word of
    # __got is the loader's cache, which starts zero.
    lazy_start, lazy_size = sections.get(("__DATA", "__la_symbol_ptr"), (0, 0))
    if lazy_size and not any(row[-1] == "dyld_stub_binder" and in_section(("__DATA", "__got"), address)
               for address, row in binds.items()):
        failures.append("dyld_stub_binder is not bound in __got")

    for address in range(lazy_start, lazy_start + lazy_size, 4):
        if address not in lazy_binds:
            failures.append(f"lazy pointer at {address:#x} has no lazy bind")
        elif address not in rebases or not in_section(("__TEXT", "__stub_helper"), word(image, segments, address)):
            failures.append(f"lazy pointer at {address:#x} does not start at the stub helper")
        else:
            # The helper's entry: ldr ip, [pc]; b <common part>; .long <its lazy-bind record>
            entry = word(image, segments, address)
            record = word(image, segments, entry + 8)
            if word(image, segments, entry) != 0xE59FC000 or \
                    lazy_record(image, segments, lazy_info, record) != (address, lazy_binds[address][-1]):
                failures.append(f"lazy pointer at {address:#x}: its stub helper entry does not bind"
                                f" {lazy_binds[address][-1]} into it")

    # Each stub jumps through the lazy pointer of the symbol it is the stub of:
    # ldr ip, [pc, #4]; add ip, pc, ip; ldr pc, [ip]; .long lazy_pointer - (stub + 12)
    stubs = 0
    for line in tool(OBJDUMP, "--macho", "--arch", "armv7", "--indirect-symbols", binary).splitlines():
        fields = line.split()
        if len(fields) == 3 and fields[0].startswith("0x") and in_section(("__TEXT", "__stubs"), int(fields[0], 16)):
            stub, symbol = int(fields[0], 16), fields[2]
            stubs += 1
            code = [word(image, segments, stub + 4 * i) for i in range(4)]
            lazy = (stub + 12 + code[3]) & 0xFFFFFFFF
            if code[:3] != [0xE59FC004, 0xE08FC00C, 0xE59CF000] or lazy_binds.get(lazy, [""])[-1] != symbol:
                failures.append(f"the stub of {symbol} at {stub:#x} does not jump through its lazy pointer")

    exports = 0
    for line in tool(OBJDUMP, "--macho", "--arch", "armv7", "--exports-trie", binary).splitlines():
        match = re.match(r"0x([0-9A-F]+)\s+(\S+)$", line.strip())
        if match and match[2] in names:
            exports += 1
            address, value = names[match[2]], int(match[1], 16)
            expected = address | 1 if functions[address] else address
            if value != expected:
                failures.append(f"{match[2]} is exported at {value:#x}, not {expected:#x}")

    calls = ""
    if len(sys.argv) > 2:
        call_failures, followed = check_calls(binary, sys.argv[2], functions, names)
        failures += call_failures
        calls = f", {followed} branches of the objects followed"

    for failure in failures:
        print(f"FAIL: {failure}")
    print(f"armv7 link: {len(functions)} functions, {len(rebases)} rebased and {len(binds)} bound pointers,"
          f" {pointers} non-lazy and initialiser pointers, {stubs} stubs and {lazy_size // 4} lazy pointers, {exports} exported functions{calls}")
    if failures:
        sys.exit(f"{len(failures)} armv7 link check(s) failed")
    print("armv7 link checks passed")


if __name__ == "__main__":
    main()
