"""The armv7 slice of a device binary as its checks read it: the slice's
bytes, its sections and segments, and the tables that llvm-objdump and
llvm-nm decode (rebases, binds, lazy binds, symbols, stubs, exports,
disassembly). Only reads."""
import collections
import os
import re
import struct
import subprocess

OBJDUMP = os.environ.get("LLVM_OBJDUMP", "llvm-objdump-19")
NM = os.environ.get("LLVM_NM", "llvm-nm-19")


def tool(*args):
    return subprocess.run(args, capture_output=True, text=True, check=True).stdout


def uleb128(data, offset):
    # Its own decoder: the checks share no code with the link steps they check.
    value, shift = 0, 0
    while True:
        byte = data[offset]
        offset += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if byte < 0x80:
            return value, offset


class Slice:
    def __init__(self, binary):
        self.binary = binary
        with open(binary, "rb") as f:
            self.image = self._armv7(f.read())
        self._layout()
        self.rebases = self._table("--rebase")
        self.binds = self._table("--bind")
        self.lazy_binds = self._table("--lazy-bind")
        self.functions, self.names = {}, {}  # address -> is Thumb; name -> address
        for line in tool(NM, "--arch", "armv7", "-m", "--defined-only", binary).splitlines():
            match = re.match(r"([0-9a-f]+) \(__TEXT,__text\) .*?(\[Thumb\] )?(\S+)$", line)
            if match:
                self.functions[int(match[1], 16)] = bool(match[2])
                self.names[match[3]] = int(match[1], 16)
        # Names that two objects both define locally cannot be told apart.
        counts = collections.Counter(line.split()[-1] for line in tool(NM, "--arch", "armv7", binary).splitlines()
                                     if line.split())
        self.repeated = {name for name, count in counts.items() if count > 1}
        self.stubs = {}  # address -> the symbol it is the stub of
        in_stubs = False
        for line in self.objdump("--indirect-symbols").splitlines():
            fields = line.split()
            if line.startswith("Indirect symbols for"):
                in_stubs = "(__TEXT,__stubs)" in line
            elif in_stubs and len(fields) == 3 and fields[0].startswith("0x"):
                self.stubs[int(fields[0], 16)] = fields[2]

    def objdump(self, *args):
        return tool(OBJDUMP, "--macho", "--arch", "armv7", *args, self.binary)

    @staticmethod
    def _armv7(data):
        if struct.unpack_from(">I", data, 0)[0] != 0xCAFEBABE:
            return data
        for i in range(struct.unpack_from(">I", data, 4)[0]):
            cputype, subtype, offset, size, _ = struct.unpack_from(">5I", data, 8 + 20 * i)
            if (cputype, subtype) == (12, 9):
                return data[offset:offset + size]
        raise ValueError("no armv7 slice")

    def _layout(self):
        """Sections by (segment, name): (address, size); segments: (vmaddr, vmsize, fileoff)."""
        image = self.image
        self.sections, self.segments, self.lazy_info = {}, [], (0, 0)
        offset = 28
        for _ in range(struct.unpack_from("<I", image, 16)[0]):
            cmd, cmdsize = struct.unpack_from("<2I", image, offset)
            if cmd in (0x22, 0x80000022):  # LC_DYLD_INFO(_ONLY): lazy_bind_off, lazy_bind_size
                self.lazy_info = struct.unpack_from("<2I", image, offset + 32)
            elif cmd == 0x1:  # LC_SEGMENT
                vmaddr, vmsize, fileoff, _, _, _, nsects = struct.unpack_from("<7I", image, offset + 24)
                self.segments.append((vmaddr, vmsize, fileoff))
                for i in range(nsects):
                    at = offset + 56 + 68 * i
                    name, segment = (image[at + k:at + k + 16].rstrip(b"\0").decode() for k in (0, 16))
                    self.sections[(segment, name)] = struct.unpack_from("<2I", image, at + 32)
            offset += cmdsize

    def _table(self, option):
        """A rebase or bind table: address -> the fields of its line."""
        rows = {}
        for line in self.objdump(option).splitlines():
            fields = line.split()
            if len(fields) > 2 and re.fullmatch(r"0x[0-9A-Fa-f]+", fields[2]):
                rows[int(fields[2], 16)] = fields
        return rows

    def section(self, name):
        """(address, size) of a section, (0, 0) when there is none."""
        return self.sections.get(name, (0, 0))

    def in_section(self, name, address):
        start, size = self.section(name)
        return start <= address < start + size

    def word(self, address):
        for vmaddr, vmsize, fileoff in self.segments:
            if vmaddr <= address < vmaddr + vmsize:
                return struct.unpack_from("<I", self.image, fileoff + address - vmaddr)[0]
        raise ValueError(f"{address:#x} is not mapped")

    def lazy_record(self, record):
        """(address, symbol) that the lazy-bind record at an offset binds."""
        start, size = self.lazy_info
        at, end = start + record, start + size
        address = symbol = None
        while at < end:
            opcode, immediate = self.image[at] & 0xF0, self.image[at] & 0x0F
            at += 1
            if opcode == 0x70:  # BIND_OPCODE_SET_SEGMENT_AND_OFFSET_ULEB
                offset, at = uleb128(self.image, at)
                address = self.segments[immediate][0] + offset
            elif opcode == 0x40:  # BIND_OPCODE_SET_SYMBOL_TRAILING_FLAGS_IMM
                name_end = self.image.index(b"\0", at)
                symbol, at = self.image[at:name_end].decode(), name_end + 1
            elif opcode == 0x20:  # BIND_OPCODE_SET_DYLIB_ORDINAL_ULEB
                _, at = uleb128(self.image, at)
            elif opcode == 0x90:  # BIND_OPCODE_DO_BIND
                return address, symbol
            elif opcode not in (0x10, 0x30, 0x50):  # dylib ordinal immediate, special, type
                break
        return None, None

    def exports(self):
        """(name, trie address) of every export."""
        for line in self.objdump("--exports-trie").splitlines():
            match = re.match(r"0x([0-9A-F]+)\s+(\S+)$", line.strip())
            if match:
                yield match[2], int(match[1], 16)

    def branches(self):
        """Address -> (mnemonic without an IT block's condition, target) of every branch."""
        found = {}
        for line in self.objdump("-d", "--no-symbolic-operands").splitlines():
            fields = line.split("\t")
            if len(fields) < 4 or not fields[0].strip().endswith(":"):
                continue
            kind = re.fullmatch(r"(blx|bl|b)(?:eq|ne|cs|hs|cc|lo|mi|pl|vs|vc|hi|ls|ge|lt|gt|le|al)?(\.w)?", fields[2])
            if kind and re.fullmatch(r"0x[0-9a-f]+", fields[3].split()[0] if fields[3] else ""):
                found[int(fields[0].strip()[:-1], 16)] = (kind[1] + (kind[2] or ""), int(fields[3].split()[0], 16))
        return found
