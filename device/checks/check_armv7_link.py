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
    lazy pointer is bound lazily and starts at a stub helper entry that
    hands dyld_stub_binder the lazy-bind record of that pointer.
And, given the objects it was linked from, against them: every branch that
an object's relocation asks for (BL, BLX or B.W to a symbol) reaches, in the
slice, that symbol's function with a BL, or an import's stub with a BLX.

    check_armv7_link.py BINARY [OBJECT_DIR]
"""
import os
import sys

from armv7_slice import NM, OBJDUMP, Slice, tool

STUB_CODE = [0xE59FC004, 0xE08FC00C, 0xE59CF000]  # ldr ip, [pc, #4]; add ip, pc, ip; ldr pc, [ip]
STUB_HELPER_ENTRY = 0xE59FC000  # ldr ip, [pc]; then b <common part>; .long <lazy-bind record>


def check_pointers(s, failures):
    if any(name.endswith("$shim") for name in s.names):
        failures.append(f"Thumb-to-ARM shims: {' '.join(n for n in s.names if n.endswith('$shim'))}")
    for address in s.rebases:
        value = s.word(address)
        if not any(s.in_section(name, value) for name in s.sections):
            failures.append(f"the pointer at {address:#x} ({value:#x}) points into no section")
        elif s.in_section(("__TEXT", "__text"), value):
            if value & ~1 not in s.functions:
                failures.append(f"the pointer at {address:#x} ({value:#x}) is not a function's address")
            elif bool(value & 1) != s.functions[value & ~1]:
                failures.append(f"the pointer at {address:#x} ({value:#x}) has the wrong Thumb bit")
    for name in (("__DATA", "__nl_symbol_ptr"), ("__DATA", "__mod_init_func")):
        start, size = s.section(name)
        for address in range(start, start + size, 4):
            if address not in s.binds and not (address in s.rebases and s.word(address)):
                failures.append(f"{name[1]} pointer at {address:#x} is neither bound nor set")


def check_lazy_binding(s, failures):
    lazy_start, lazy_size = s.section(("__DATA", "__la_symbol_ptr"))
    # The stub helper reaches the loader through __got; its other word is
    # the loader's cache, which starts zero.
    if lazy_size and not any(row[-1] == "dyld_stub_binder" and s.in_section(("__DATA", "__got"), address)
                             for address, row in s.binds.items()):
        failures.append("dyld_stub_binder is not bound in __got")
    for address in range(lazy_start, lazy_start + lazy_size, 4):
        entry = s.word(address)
        if address not in s.lazy_binds:
            failures.append(f"lazy pointer at {address:#x} has no lazy bind")
        elif address not in s.rebases or not s.in_section(("__TEXT", "__stub_helper"), entry):
            failures.append(f"lazy pointer at {address:#x} does not start at the stub helper")
        elif s.word(entry) != STUB_HELPER_ENTRY or \
                s.lazy_record(s.word(entry + 8)) != (address, s.lazy_binds[address][-1]):
            failures.append(f"lazy pointer at {address:#x}: its stub helper entry does not bind"
                            f" {s.lazy_binds[address][-1]} into it")
    for stub, symbol in s.stubs.items():
        code = [s.word(stub + 4 * i) for i in range(4)]
        lazy = (stub + 12 + code[3]) & 0xFFFFFFFF  # the literal is the lazy pointer's distance from stub + 12
        if code[:3] != STUB_CODE or s.lazy_binds.get(lazy, [""])[-1] != symbol:
            failures.append(f"the stub of {symbol} at {stub:#x} does not jump through its lazy pointer")
    return lazy_size // 4


def check_exports(s, failures):
    exports = 0
    for name, value in s.exports():
        if name in s.names:
            exports += 1
            address = s.names[name]
            expected = address | 1 if s.functions[address] else address
            if value != expected:
                failures.append(f"{name} is exported at {value:#x}, not {expected:#x}")
    return exports


def per_file(output):
    """Lines of a tool's output over several files, by file."""
    files, current = {}, None
    for line in output.splitlines():
        if line.endswith(":") and "/" in line and not line.startswith(" "):
            current = files.setdefault(line[:-1], [])
        elif current is not None and line.strip():
            current.append(line)
    return files


def check_calls(s, object_dir, failures):
    """How many of the branches the objects' relocations ask for were followed."""
    objects = sorted(os.path.join(object_dir, name) for name in os.listdir(object_dir))
    stubs_of = {}
    for stub, symbol in s.stubs.items():
        stubs_of.setdefault(symbol, set()).add(stub)
    branches = s.branches()
    starts = {}  # object -> [(offset, function)]
    for path, lines in per_file(tool(NM, "-n", "--defined-only", *objects)).items():
        starts[path] = [(int(f[0], 16), f[-1]) for f in map(str.split, lines)
                        if f[1] in "tT" and not f[-1].startswith("ltmp")]
    followed = 0
    for path, lines in per_file(tool(OBJDUMP, "--macho", "-r", *objects)).items():
        for fields in map(str.split, lines):
            if len(fields) != 7 or fields[4] != "T_BR22" or fields[3] != "True":
                continue
            offset, target = int(fields[0], 16), fields[6]
            owner = max(((o, f) for o, f in starts.get(path, []) if o <= offset), default=None)
            if owner is None or owner[1] in s.repeated or owner[1] not in s.names:
                continue
            at = s.names[owner[1]] + offset - owner[0]
            where = f"{os.path.basename(path)}+{offset:#x} ({at:#x}, to {target})"
            if at not in branches:
                failures.append(f"{where}: no branch there in the slice")
                continue
            followed += 1
            mnemonic, reached = branches[at]
            if target in s.names and target not in s.repeated:
                if reached != s.names[target] or not s.functions.get(reached) or mnemonic not in ("bl", "b.w"):
                    failures.append(f"{where}: {mnemonic} {reached:#x}, not a Thumb branch to {s.names[target]:#x}")
            elif target in stubs_of:
                if reached not in stubs_of[target] or mnemonic != "blx":
                    failures.append(f"{where}: {mnemonic} {reached:#x}, not a BLX to its stub")
            elif target not in s.repeated:
                failures.append(f"{where}: {target} is neither in the slice nor imported")
    return followed


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__.strip().splitlines()[-1].strip())
    s = Slice(sys.argv[1])
    failures = []
    check_pointers(s, failures)
    lazy_pointers = check_lazy_binding(s, failures)
    exports = check_exports(s, failures)
    calls = ""
    if len(sys.argv) == 3:
        calls = f", {check_calls(s, sys.argv[2], failures)} branches of the objects followed"
    for failure in failures:
        print(f"FAIL: {failure}")
    print(f"armv7 link: {len(s.functions)} functions, {len(s.rebases)} rebased and {len(s.binds)} bound pointers,"
          f" {len(s.stubs)} stubs and {lazy_pointers} lazy pointers, {exports} exported functions{calls}")
    if failures:
        print(f"{len(failures)} armv7 link check(s) failed")
        sys.exit(1)
    print("armv7 link checks passed")


if __name__ == "__main__":
    main()
