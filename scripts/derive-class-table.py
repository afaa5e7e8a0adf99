#!/usr/bin/env python3
"""Derives the simulated SpringBoard's table of lock-screen classes, one
version range per row, from class-dump headers of Apple's SpringBoard.

    scripts/derive-class-table.py DUMPS_DIR > springboard/classes/class_table.tsv

DUMPS_DIR holds one folder per dump (SOURCE-VERSION, e.g. hbang-7.1,
jacob-8.1), each with one header per class. Standard library only.

Rows: class, versions, kind, member, type, source (tab-separated; lines
starting with '#' are comments). The rules it applies:

 - Each simulator version (7.0 ... 9.3) is read from one primary dump
   (PRIMARY below); the other dumps of the same version are read too and
   every member one lists and the other does not, and every type that
   differs beyond int/long widths, is printed to stderr and kept as a
   "# note:" line in the table. The primary dump wins, except where it
   plainly lacks the class (an umbrella header, a class it never dumped);
   then the next dump of that version is read, and the note says so. A
   version no dump here has the class for takes the previous version's
   members, and the source says so.
 - Artefacts of a dump tool are not disagreements: a block written as id
   (a tool that does not decode "@?") is a block wherever one dump shows
   it, and an object's protocols take the order of its type encoding, as
   the class-dump and classdump-dyld dumps write it (ORDER_FAITHFUL);
   both are still noted.
 - Widths: the 32-bit dumps say int/unsigned/float where a 64-bit one
   (jacob-8.1, coolstar-9.3, maryu-9.3.3) says long long/unsigned long
   long/double. A member any 64-bit dump shows wider at that position is
   NSInteger/NSUInteger/CGFloat; one the 64-bit dumps show just as narrow
   keeps int/unsigned/float; one no 64-bit dump has is
   NSInteger/NSUInteger/CGFloat with "; widths from 32-bit dumps only" in
   its source. A double in a 32-bit dump is a real double. The same from
   the other side: a 64-bit long long where a 32-bit dump says int is
   NSInteger, and one no 32-bit dump has is decided by REAL_DOUBLES and
   marked "; widths from 64-bit dumps only".
 - Properties are expanded into their getter (getter= if given) and,
   unless readonly, their setter, as class-dump-z lists no accessors; an
   accessor a dump lists itself is not repeated. NSObject's protocol
   properties (hash, superclass, description, debugDescription) are left
   out. Method types name objects "id" (their encoding is "@"); ivars keep
   the class.
 - Superclasses: XXUnknownSuperclass, and the exported symbols 32-bit
   class-dump tools print in its place (names with a leading underscore),
   are not names; groovy-7.0.4's are all wrong. Such a superclass is taken
   from the 64-bit dump of the nearest version that shows one, cited, or
   failing that from IMPLIED_SUPERCLASSES, cited as implied.
 - SpringBoard is listed with its superclass only.
 - Order: the classes of CLASSES, then HAND_WRITTEN; in a class its
   superclass, its ivars, then its methods, each in the order of the
   primary dump of the first version that has it.

Exits with status 1 and a message naming the file and line for a header it
cannot read.
"""

import os
import re
import sys

VERSIONS = ["7.0", "7.1", "8.0", "8.1", "8.2", "8.3", "8.4", "9.0", "9.1", "9.2", "9.3"]
PRIMARY = {
    "7.0": "hbang-7.0", "7.1": "hbang-7.1", "8.0": "hbang-8.0", "8.1": "jacob-8.1",
    "8.2": "hbang-8.2", "8.3": "hbang-8.3", "8.4": "hbang-8.4", "9.0": "hbang-9.0",
    "9.1": "hbang-9.1", "9.2": "hbang-9.2", "9.3": "coolstar-9.3",
}
OTHERS = {
    "7.0": ["hbang-7.0.3", "groovy-7.0.4"], "7.1": ["packet-7.1"],
    "8.1": ["hbang-8.1", "coolstar-8.1"], "8.3": ["coolstar-8.3"], "9.3": ["maryu-9.3.3"],
}
WIDE_DUMPS = {"jacob-8.1": "8.1", "coolstar-9.3": "9.3", "maryu-9.3.3": "9.3"}
# Dumps whose superclass names are not to be believed at all.
WRONG_SUPERCLASSES = {"groovy-7.0.4"}

CLASSES = [
    "SpringBoard", "SBAwayListItem", "SBAwayBulletinListItem", "SBLockScreenNotificationBannerItem",
    "SBLockScreenNotificationBulletinBannerItem", "SBNotificationCell", "SBLockScreenNotificationCell",
    "SBLockScreenBulletinCell", "SBLockScreenNotificationListView", "SBLockScreenNotificationListController",
    "SBLockScreenPluginOverlayContext", "SBLockScreenView",
]
# Listed with their superclass only.
SUPERCLASS_ONLY = {"SpringBoard"}

# Classes no dump here shows: (class, superclass, first version, last version, why).
HAND_WRITTEN = [
    ("SBLockOverlayContext", "NSObject", "7.0", "9.3",
     "no dump here has SBLockOverlayContext; it is SBLockScreenPluginOverlayContext's superclass in every dump"),
    ("SBAlertView", "UIView", "7.0", "9.3",
     "no dump here has SBAlertView; it is SBLockScreenView's superclass in every dump, a view"),
    ("SBUIBannerItem", "NSObject", "7.0", "9.3",
     "SpringBoardUI's class, not in these SpringBoard dumps; SBLockScreenNotificationBannerItem's superclass "
     "in jacob-8.1 and coolstar-9.3"),
]

# Superclasses no dump names for a version: (class, versions) -> (name, why).
IMPLIED_SUPERCLASSES = {
    ("SBNotificationCell", tuple(VERSIONS)): (
        "UITableViewCell", "no 64-bit dump here has SBNotificationCell; UITableViewCell implied by its methods "
        "(initWithStyle:reuseIdentifier:, layoutSubviews, prepareForReuse of its subclasses)"),
    ("SpringBoard", ("7.0", "7.1")): (
        "UIApplication", "no 7.x dump shows a FrontBoard class (FBSystemApp, itself a UIApplication subclass, "
        "first appears in jacob-8.1); UIApplication implied by its overrides (_handlePhysicalButtonEvent:, "
        "canOpenURL:, applicationDidFinishLaunching:)"),
}

# Members only the 64-bit dumps have whose double is a real double on every
# processor (a time interval), not a CGFloat: (class, selector) -> positions
# (0 the result, 1 the first argument).
REAL_DOUBLES = {
    ("SBLockScreenNotificationListController", "_turnOnScreenForOutOfPocketEventBeforeTimeInterval:"): {1},
}

NARROW_TO_WIDE = {"int": "long-long", "unsigned": "unsigned-long-long", "float": "double"}
WIDE_TO_NARROW = {v: k for k, v in NARROW_TO_WIDE.items()}
NEUTRAL = {"int": "NSInteger", "unsigned": "NSUInteger", "float": "CGFloat",
           "long-long": "NSInteger", "unsigned-long-long": "NSUInteger", "double": "CGFloat"}
# Dumps that write an object's protocols in the order of its type encoding;
# class-dump-z writes them in an order of its own.
ORDER_FAITHFUL = {"jacob-8.1", "coolstar-9.3", "maryu-9.3.3", "groovy-7.0.4"}
BOILERPLATE_PROPERTIES = {"hash", "superclass", "description", "debugDescription"}


class DumpError(Exception):
    pass


def is_wide(dump):
    return dump in WIDE_DUMPS


# ---------------------------------------------------------------- types

SCALARS = {
    "void": "void", "id": "id", "Class": "Class", "SEL": "SEL",
    "BOOL": "BOOL", "_Bool": "BOOL", "bool": "BOOL",
    "char": "char", "signed char": "char", "unsigned char": "unsigned-char",
    "short": "short", "short int": "short", "unsigned short": "unsigned-short",
    "int": "int", "signed": "int", "signed int": "int", "unsigned": "unsigned", "unsigned int": "unsigned",
    "long long": "long-long", "long long int": "long-long",
    "unsigned long long": "unsigned-long-long", "unsigned long long int": "unsigned-long-long",
    "float": "float", "double": "double",
    "NSInteger": "NSInteger", "NSUInteger": "NSUInteger", "CGFloat": "CGFloat",
}
STRUCTS = {
    "CGPoint": "CGPoint", "CGSize": "CGSize", "CGRect": "CGRect", "UIEdgeInsets": "UIEdgeInsets",
    "NSRange": "NSRange", "_NSRange": "NSRange", "CGAffineTransform": "CGAffineTransform",
    "NSZone": "NSZone", "_NSZone": "NSZone",
}
QUALIFIERS = {"const", "in", "out", "inout", "oneway", "bycopy", "byref", "volatile",
              "__weak", "__strong", "__unsafe_unretained", "__autoreleasing", "__block"}
IDENT = re.compile(r"[A-Za-z_]\w*$")


def canonical_type(raw, method, dump, where):
    """The table's spelling of a dump's C type, before widths are settled.
    `method` true for a method's result or argument (objects become id)."""
    text = raw.strip()
    if "^" in text or re.search(r"/\*\s*\^?\s*block\s*\*/", text):
        return "block"
    text = re.sub(r"/\*.*?\*/", " ", text)
    # classdump-dyld writes "UIView*<P>" and "Cls*<P>*<Q>" for "UIView<P>*".
    text, dyld_form = re.subn(r"\*\s*<", "<", text)
    protocols = []
    for group in re.findall(r"<([^<>]*)>", text):
        protocols += [p.strip() for p in group.split(",") if p.strip()]
    text = re.sub(r"<[^<>]*>", " ", text)
    stars = text.count("*") or (1 if dyld_form else 0)
    words = [w for w in text.replace("*", " ").split() if w not in QUALIFIERS]
    if not words:
        raise DumpError(f"{where}: no type in {raw!r}")
    is_struct = words[0] == "struct"
    if is_struct:
        words = words[1:]
        if len(words) != 1 or not IDENT.match(words[0]):
            raise DumpError(f"{where}: unreadable structure type {raw!r}")
    base = " ".join(words)
    if not is_struct and base in ("long", "long int"):
        base = "long long" if is_wide(dump) else "int"
    if not is_struct and base in ("unsigned long", "unsigned long int"):
        base = "unsigned long long" if is_wide(dump) else "unsigned"
    if protocols and (base != "id" and not IDENT.match(base) or stars > 1):
        raise DumpError(f"{where}: protocols on a type that is not an object: {raw!r}")

    if is_struct or base in STRUCTS:
        name = STRUCTS.get(base)
        spelled = name if name else "struct-" + base
        if stars == 0:
            if name == "NSZone":
                raise DumpError(f"{where}: a zone by value: {raw!r}")
            return spelled
        if stars == 1:
            return spelled + "*"
        raise DumpError(f"{where}: a pointer to a pointer: {raw!r}")
    if base in SCALARS:
        scalar = SCALARS[base]
        if stars == 0:
            if scalar == "id" and protocols and not method:
                return "id<" + ",".join(protocols) + ">"
            return scalar
        if stars == 1 and scalar in ("char", "void"):
            return scalar + "*"
        if stars == 1 and scalar == "id":
            return "id*"
        if stars == 1 and scalar in ("int", "unsigned", "float", "double", "BOOL", "long-long",
                                     "unsigned-long-long", "NSInteger", "NSUInteger", "CGFloat"):
            return scalar + "*"
        raise DumpError(f"{where}: unsupported pointer type {raw!r}")
    if not IDENT.match(base):
        raise DumpError(f"{where}: unreadable type {raw!r}")
    if stars == 1:
        if method:
            return "id"
        return base + ("<" + ",".join(protocols) + ">" if protocols else "") + "*"
    raise DumpError(f"{where}: unsupported type {raw!r} (a typedef or pointer the table does not model)")


# ---------------------------------------------------------------- headers

class Member:
    def __init__(self, kind, name, types, line, from_property=False):
        self.kind = kind          # "ivar", "-", "+"
        self.name = name
        self.types = types        # canonical tokens: [type] or [result, args...]
        self.line = line
        self.from_property = from_property


class Header:
    def __init__(self, dump, cls, path):
        self.dump, self.cls, self.path = dump, cls, path
        self.superclass = None
        self.super_line = None
        self.members = []         # in dump order, ivars first as the dump lists them
        self.accessors = set()    # the keys of its properties' getters and setters

    def where(self, line):
        return f"{self.dump}/{self.cls}.h:{line}"

    def key_map(self):
        return {(m.kind, m.name): m for m in self.members}


def strip_line_comment(text):
    # "/*^block*/" is a type, not a comment to drop; "//" ends the line.
    at = text.find("//")
    return text if at < 0 else text[:at]


def parse_method(text, header, line):
    where = header.where(line)
    kind = text[0]
    pos = 1

    def skip():
        nonlocal pos
        while pos < len(text) and text[pos].isspace():
            pos += 1

    def paren():
        nonlocal pos
        depth, start = 0, pos
        while pos < len(text):
            c = text[pos]
            depth += (c == "(") - (c == ")")
            pos += 1
            if depth == 0:
                return text[start + 1:pos - 1]
        raise DumpError(f"{where}: unbalanced parentheses in {text!r}")

    def ident():
        nonlocal pos
        m = re.compile(r"[A-Za-z_]\w*").match(text, pos)
        if not m:
            return None
        pos = m.end()
        return m.group(0)

    skip()
    result = paren() if pos < len(text) and text[pos] == "(" else "id"
    parts, args = [], []
    while True:
        skip()
        name = ident()
        skip()
        if pos < len(text) and text[pos] == ":":
            pos += 1
            skip()
            args.append(paren() if pos < len(text) and text[pos] == "(" else "id")
            skip()
            ident()                      # the argument's name (groovy writes "fp(null)")
            if text.startswith("(null)", pos):
                pos += len("(null)")
            parts.append((name or "") + ":")
            continue
        if name is not None:
            if parts:
                raise DumpError(f"{where}: unreadable selector in {text!r}")
            parts.append(name)
        break
    skip()
    if pos < len(text) and text[pos] == ",":  # variadic: the fixed arguments only
        pos = text.find(";", pos)
        if pos < 0:
            pos = len(text)
    skip()
    if pos >= len(text) or text[pos] != ";" or not parts:
        raise DumpError(f"{where}: unreadable method declaration {text!r}")
    selector = "".join(parts)
    types = [canonical_type(result, True, header.dump, where)]
    types += [canonical_type(a, True, header.dump, where) for a in args]
    return Member(kind, selector, types, line)


def parse_property(text, header, line):
    where = header.where(line)
    m = re.match(r"@property\s*(?:\(([^)]*)\))?\s*(.*?)\s*;\s*$", text)
    if not m:
        raise DumpError(f"{where}: unreadable property {text!r}")
    attrs = [a.strip() for a in (m.group(1) or "").split(",") if a.strip()]
    decl = m.group(2)
    nm = re.search(r"([A-Za-z_]\w*)\s*$", decl)
    if not nm:
        raise DumpError(f"{where}: property without a name {text!r}")
    name, raw_type = nm.group(1), decl[:nm.start()]
    if name in BOILERPLATE_PROPERTIES:
        return []
    getter, setter, readonly = name, "set" + name[0].upper() + name[1:] + ":", False
    for a in attrs:
        if a.startswith("getter="):
            getter = a[len("getter="):].strip()
        elif a.startswith("setter="):
            setter = a[len("setter="):].strip()
        elif a == "readonly":
            readonly = True
    t = canonical_type(raw_type, True, header.dump, where)
    out = [Member("-", getter, [t], line, True)]
    if not readonly:
        out.append(Member("-", setter, ["void", t], line, True))
    return out


def parse_ivar(text, header, line):
    where = header.where(line)
    m = re.match(r"(.*?)([A-Za-z_]\w*)\s*(\[\s*\d*\s*\])?\s*(:\s*\d+)?\s*;$", text.strip())
    if not m or not m.group(1).strip():
        raise DumpError(f"{where}: unreadable instance variable {text!r}")
    if m.group(3) or m.group(4):
        raise DumpError(f"{where}: arrays and bitfields are not modelled: {text!r}")
    return Member("ivar", m.group(2), [canonical_type(m.group(1), False, header.dump, where)], line)


def parse_header(dumps_dir, dump, cls):
    """The class's interface in one dump, or None when the dump has no
    interface for it (no file, or an umbrella header of imports)."""
    path = os.path.join(dumps_dir, dump, cls + ".h")
    if not os.path.isfile(path):
        return None
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.read().splitlines()
    header = Header(dump, cls, path)
    start = None
    for i, text in enumerate(lines):
        m = re.match(r"\s*@interface\s+(\w+)\s*(?::\s*(\w+))?", text)
        if m and m.group(1) == cls and "(" not in text[:m.end()]:
            start = i
            header.superclass = m.group(2) or "-"
            header.super_line = i + 1
            break
    if start is None:
        return None
    if cls in SUPERCLASS_ONLY:
        return header
    i = start
    body_opened = "{" in strip_line_comment(lines[start])
    if not body_opened:
        j = start + 1
        while j < len(lines) and not lines[j].strip():
            j += 1
        if j < len(lines) and lines[j].strip().startswith("{"):
            body_opened, i = True, j
    i += 1
    if body_opened:
        statement, first_line, depth = "", None, 0
        while True:
            if i >= len(lines):
                raise DumpError(f"{header.where(start + 1)}: instance variables never closed")
            text = strip_line_comment(lines[i]).strip()
            i += 1
            if depth == 0 and text.startswith("}"):
                break
            if not text:
                continue
            depth += text.count("{") - text.count("}")
            if depth < 0:
                raise DumpError(f"{header.where(i)}: unbalanced braces")
            statement = (statement + " " + text).strip()
            first_line = first_line or i
            if depth == 0 and statement.endswith(";"):
                if "{" in statement:
                    raise DumpError(f"{header.where(first_line)}: nested structures are not modelled")
                header.members.append(parse_ivar(statement, header, first_line))
                statement, first_line = "", None
        if statement:
            raise DumpError(f"{header.where(first_line)}: unterminated instance variable {statement!r}")
    seen_end = False
    props = []
    while i < len(lines):
        raw = lines[i]
        i += 1
        text = strip_line_comment(raw).strip()
        if not text:
            continue
        if text.startswith("@end"):
            seen_end = True
            break
        if text.startswith("@property"):
            props.append(len(header.members))
            header.members += parse_property(text, header, i)
        elif text[0] in "-+":
            header.members.append(parse_method(text, header, i))
        else:
            raise DumpError(f"{header.where(i)}: unexpected line {raw.strip()!r}")
    if not seen_end:
        raise DumpError(f"{header.where(start + 1)}: @interface without @end")
    # An accessor the dump lists itself is not repeated from its property.
    listed = {(m.kind, m.name) for m in header.members if not m.from_property}
    header.accessors = {(m.kind, m.name) for m in header.members if m.from_property}
    kept, seen = [], set()
    for m in header.members:
        key = (m.kind, m.name)
        if (m.from_property and key in listed) or key in seen:
            if not m.from_property and key in seen:
                raise DumpError(f"{header.where(m.line)}: {m.kind}{m.name} declared twice")
            continue
        seen.add(key)
        kept.append(m)
    header.members = kept
    return header


# ---------------------------------------------------------------- the table

def real_superclass(header):
    if header is None or header.dump in WRONG_SUPERCLASSES:
        return None
    s = header.superclass
    if s is None or s == "XXUnknownSuperclass" or s.startswith("_"):
        return None
    return s


def same_but_width(a, b):
    """Two canonical tokens that differ at most in int/long widths."""
    if a == b:
        return True
    for narrow, wide in NARROW_TO_WIDE.items():
        if {a, b} <= {narrow, wide, NEUTRAL[narrow]}:
            return True
    return False


def split_qualified(t):
    """("UIView", ["P", "Q"]) for "UIView<P,Q>*", else None."""
    m = re.match(r"(\w+)<([^<>]*)>\*$", t)
    return (m.group(1), m.group(2).split(",")) if m else None


def same_protocols(a, b):
    qa, qb = split_qualified(a), split_qualified(b)
    return bool(qa and qb and qa[0] == qb[0] and sorted(qa[1]) == sorted(qb[1]))


def type_text(member_kind, types):
    if member_kind == "ivar":
        return types[0]
    return types[0] + "(" + ",".join(types[1:]) + ")"


def keys_text(keys):
    return " ".join(("" if kind == "ivar" else kind) + name for kind, name in keys)


def ranges_text(versions):
    idx = sorted(VERSIONS.index(v) for v in versions)
    out, run = [], [idx[0]]
    for i in idx[1:]:
        if i == run[-1] + 1:
            run.append(i)
        else:
            out.append(run)
            run = [i]
    out.append(run)
    return ",".join(VERSIONS[r[0]] if len(r) == 1 else f"{VERSIONS[r[0]]}-{VERSIONS[r[-1]]}" for r in out)


class Deriver:
    def __init__(self, dumps_dir):
        self.dumps_dir = dumps_dir
        self.notes = {}           # class -> [note text]
        self.cache = {}

    def header(self, dump, cls):
        key = (dump, cls)
        if key not in self.cache:
            self.cache[key] = parse_header(self.dumps_dir, dump, cls)
        return self.cache[key]

    def note(self, cls, text, in_table=True):
        if in_table:
            self.notes.setdefault(cls, []).append(text)
        print(f"note: {cls}: {text}", file=sys.stderr)

    def chosen(self, cls):
        """version -> (header used, carried-from text or None)."""
        out, previous = {}, None
        for v in VERSIONS:
            h = self.header(PRIMARY[v], cls)
            if h is None:
                for other in OTHERS.get(v, []):
                    h = self.header(other, cls)
                    if h is not None:
                        self.note(cls, f"{v}: {PRIMARY[v]} has no interface for {cls}; took {other}")
                        break
            if h is not None:
                out[v] = (h, None)
                previous = (v, h)
            elif previous is not None:
                pv, ph = previous
                self.note(cls, f"{v}: no {v} dump here has {cls}; carried {pv} forward from {ph.dump}")
                out[v] = (ph, f"{v} carried from {ph.dump} (no {v} dump here has {cls})")
            else:
                raise DumpError(f"no dump of {v} has {cls}")
        return out

    def cross_check(self, cls, chosen):
        for v in VERSIONS:
            used, carried = chosen[v]
            if carried:
                continue
            for other in [PRIMARY[v]] + OTHERS.get(v, []):
                if other == used.dump:
                    continue
                oh = self.header(other, cls)
                if oh is None:
                    if other != PRIMARY[v]:
                        self.note(cls, f"{v}: {other} has no interface for {cls}; nothing to compare", False)
                    continue
                a, b = real_superclass(used), real_superclass(oh)
                if a and b and a != b:
                    self.note(cls, f"{v}: superclass {used.dump} {a}, {other} {b}; took {used.dump}")
                if cls in SUPERCLASS_ONLY:
                    continue
                am, bm = used.key_map(), oh.key_map()
                only_a = [k for k in am if k not in bm]
                only_b = [k for k in bm if k not in am]
                if only_a:
                    why = "took " + used.dump + ", the primary dump"
                    if all(k in used.accessors for k in only_a):
                        why = f"all are accessors of properties {used.dump} declares, which {other} does not " \
                              f"list; took {used.dump}"
                    self.note(cls, f"{v}: {other} lacks {keys_text(only_a)} (listed by {used.dump}); {why}")
                if only_b:
                    self.note(cls, f"{v}: {other} also lists {keys_text(only_b)} (not in {used.dump}); "
                                   f"left out, {used.dump} is the primary dump")
                blocks, orders = [], []
                for k, m in am.items():
                    if k not in bm:
                        continue
                    ta, tb = m.types, bm[k].types
                    cross = is_wide(used.dump) != is_wide(other)
                    if len(ta) == len(tb) and all(
                            (same_but_width(x, y) if cross else x == y) or {x, y} == {"id", "block"} or
                            same_protocols(x, y) for x, y in zip(ta, tb)):
                        if any({x, y} == {"id", "block"} for x, y in zip(ta, tb)):
                            blocks.append(k)
                        if any(x != y and same_protocols(x, y) for x, y in zip(ta, tb)):
                            orders.append(k)
                        continue
                    self.note(cls, f"{v}: {keys_text([k])} is {type_text(k[0], ta)} in {used.dump}:{m.line}, "
                                   f"{type_text(k[0], tb)} in {other}:{bm[k].line}; took {used.dump}")
                if blocks:
                    self.note(cls, f"{v}: {keys_text(blocks)}: a block in one of {used.dump} and {other}, id in "
                                   f"the other (its tool does not decode \"@?\"); took the block")
                if orders:
                    self.note(cls, f"{v}: {keys_text(orders)}: {used.dump} and {other} list the same protocols in "
                                   f"different orders; took the order of the type encoding (as "
                                   f"{' and '.join(sorted(ORDER_FAITHFUL))} write it)")

    def evidence(self, cls, key):
        """[(dump, types)] of one member in every dump that has it."""
        out = []
        folders = sorted(d for d in os.listdir(self.dumps_dir) if os.path.isdir(os.path.join(self.dumps_dir, d)))
        for dump in folders:
            h = self.header(dump, cls)
            m = h.key_map().get(key) if h is not None else None
            if m is not None:
                out.append((dump, m.types))
        return out

    def settle_types(self, cls, key, member, dump):
        """The member's types with widths, blocks and protocol order decided,
        and the parts of its source that say how."""
        evidence = [(d, types) for d, types in self.evidence(cls, key) if len(types) == len(member.types)]
        out, parts = [], []
        for p, t in enumerate(member.types):
            seen_wide = {types[p] for d, types in evidence if is_wide(d)}
            seen_narrow = {types[p] for d, types in evidence if not is_wide(d)}
            # Tools that do not decode "@?" write a block as id; one dump that
            # shows a block at this position settles it.
            if t == "id" and "block" in seen_wide | seen_narrow:
                t = "block"
            elif not is_wide(dump) and t in NARROW_TO_WIDE:
                if NARROW_TO_WIDE[t] in seen_wide or t not in seen_wide:
                    if not seen_wide & {t, NARROW_TO_WIDE[t]}:
                        parts.append("widths from 32-bit dumps only")
                    t = NEUTRAL[t]
            elif is_wide(dump) and t in WIDE_TO_NARROW:
                if WIDE_TO_NARROW[t] in seen_narrow:
                    t = NEUTRAL[t]
                elif t not in seen_narrow:
                    real = t == "double" and p in REAL_DOUBLES.get((cls, key[1]), set())
                    t = "double" if real else NEUTRAL[t]
                    parts.append("widths from 64-bit dumps only")
            qualified = split_qualified(t)
            if qualified and dump not in ORDER_FAITHFUL:
                for d, types in evidence:
                    other = split_qualified(types[p])
                    if d in ORDER_FAITHFUL and other and other[0] == qualified[0] and \
                            sorted(other[1]) == sorted(qualified[1]):
                        t = types[p]
                        break
            out.append(t)
        return out, list(dict.fromkeys(parts))

    def superclass_for(self, cls, v, header):
        """The superclass for version v and the parts of its source that say
        where it came from when the dump read for v does not name it."""
        s = real_superclass(header)
        if s:
            return s, []
        said = f"{header.superclass} in the dump"
        for other in OTHERS.get(v, []):
            oh = self.header(other, cls)
            s = real_superclass(oh)
            if s:
                return s, [said, f"superclass from {oh.where(oh.super_line)}"]
        for (c, versions), (name, why) in IMPLIED_SUPERCLASSES.items():
            if c == cls and v in versions:
                return name, [said, why]
        vi = VERSIONS.index(v)
        best = None
        for dump, dv in WIDE_DUMPS.items():
            h = self.header(dump, cls)
            s = real_superclass(h)
            if s:
                d = abs(VERSIONS.index(dv) - vi)
                if best is None or d < best[0]:
                    best = (d, s, h)
        if best:
            _, s, h = best
            return s, [said, f"superclass from {h.where(h.super_line)}, the nearest 64-bit dump"]
        raise DumpError(f"{cls} {v}: no dump names a superclass and none is implied")

    def rows(self, cls):
        chosen = self.chosen(cls)
        self.cross_check(cls, chosen)
        # version -> {key: (type text, header, line, source parts)}, and the member order
        per_version, order = {}, []
        for v in VERSIONS:
            h, carried = chosen[v]
            extra = [carried] if carried else []
            name, parts = self.superclass_for(cls, v, h)
            entries = {("superclass", None): (name, h, h.super_line, parts + extra)}
            for m in h.members:
                key = (m.kind, m.name)
                types, parts = self.settle_types(cls, key, m, h.dump)
                entries[key] = (type_text(m.kind, types), h, m.line, parts + extra)
            for group in ("ivar", "method"):
                for m in h.members:
                    key = (m.kind, m.name)
                    if (m.kind == "ivar") == (group == "ivar") and key not in order:
                        order.append(key)
            per_version[v] = entries
        ivars = [k for k in order if k[0] == "ivar"]
        methods = [k for k in order if k[0] in "-+"]
        out = []
        for key in [("superclass", None)] + ivars + methods:
            groups = {}
            for v in VERSIONS:
                e = per_version[v].get(key)
                if e:
                    t, h, line, parts = e
                    groups.setdefault(t, []).append((v, h, line, parts))
            for t, hits in sorted(groups.items(), key=lambda g: VERSIONS.index(g[1][0][0])):
                versions = [hit[0] for hit in hits]
                if key[0] == "superclass":
                    out.append((cls, ranges_text(versions), "superclass", t, "-", source_text(hits)))
                else:
                    out.append((cls, ranges_text(versions), key[0], key[1], t, source_text(hits)))
        return out


def source_text(hits):
    """hits: [(version, header, line, parts)] of one row, in version order.
    The first version's location, the last one's when different, then each
    part, with the versions it is true of when not all of the row's."""
    first, last = hits[0], hits[-1]
    text = first[1].where(first[2])
    if last[1].where(last[2]) != text:
        text += " \u2026 " + last[1].where(last[2])
    versions = [hit[0] for hit in hits]
    parts = {}
    for v, _, _, ps in hits:
        for part in ps:
            parts.setdefault(part, []).append(v)
    for part, vs in parts.items():
        text += "; " + part + ("" if vs == versions else f" ({ranges_text(vs)})")
    return text


def main(argv):
    if len(argv) != 2 or not os.path.isdir(argv[1]):
        print("usage: derive-class-table.py DUMPS_DIR > class_table.tsv", file=sys.stderr)
        return 2
    deriver = Deriver(argv[1])
    try:
        sections = [(cls, deriver.rows(cls)) for cls in CLASSES]
    except (DumpError, OSError) as e:
        print(f"derive-class-table.py: {e}", file=sys.stderr)
        return 1
    for cls, superclass, first, last, why in HAND_WRITTEN:
        versions = VERSIONS[VERSIONS.index(first):VERSIONS.index(last) + 1]
        sections.append((cls, [(cls, ranges_text(versions), "superclass", superclass, "-", "unknown: " + why)]))
    out = sys.stdout
    out.write("# SpringBoard's lock-screen classes per simulator version, derived from class-dump\n"
              "# headers of Apple's SpringBoard by scripts/derive-class-table.py (its header says\n"
              "# how); regenerate rather than edit.\n"
              "# Columns: class, versions, kind (superclass, ivar, - instance method, + class\n"
              "# method), member, type, source (dump folder/header:line of the first and last\n"
              "# version).\n")
    out.write("#\tclass\tversions\tkind\tmember\ttype\tsource\n")
    total = 0
    for cls, rows in sections:
        out.write(f"#\n# {cls}\n")
        for text in deriver.notes.get(cls, []):
            out.write(f"# note: {text}\n")
        for row in rows:
            for field in row:
                if not field or "\t" in field or "\n" in field:
                    raise SystemExit(f"derive-class-table.py: bad field in {row!r}")
            out.write("\t".join(row) + "\n")
            total += 1
    print(f"derive-class-table.py: {total} rows", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
