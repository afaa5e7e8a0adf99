#!/usr/bin/env python3
"""Makes the armv7 stub dylib of one device library from its text-based stub
(.tbd), for ld64.lld.darwinold, which cannot read .tbd files: the same file
that the arm64 link reads is the one list of what the library exports.

LLVM's own reader turns the .tbd into JSON (tbd version 5, `llvm-readtapi
-extract --arch armv7`), so no YAML is parsed here. Every symbol becomes a
one-byte array in C: a .tbd does not say which symbols are functions, and
the linker binds imports by name alone; the stub's bytes never run. The
dylib carries the library's install name, so that every import bound to it
is bound to the device's library, and its current and compatibility
versions, which the linker records in every client's LC_LOAD_DYLIB and
dyld compares with the device's library. The linker wants dyld_stub_binder in every
image it links, so each stub but libSystem's links against libSystem's
(as the device's libraries do).

    armv7_stub_dylib.py --readtapi TOOL --compiler CC --linker LD --tbd STUB.tbd
                        --work-dir DIR --output STUB.dylib [--libsystem LIBSYSTEM.dylib]
"""
import argparse
import json
import os
import subprocess
import sys

# How tbd's Objective-C entries name their symbols on iOS's (modern) runtime.
OBJC_PREFIXES = {
    "objc_class": ("_OBJC_CLASS_$_", "_OBJC_METACLASS_$_"),
    "objc_eh_type": ("_OBJC_EHTYPE_$_",),
    "objc_ivar": ("_OBJC_IVAR_$_",),
}
# Entries that would change what the stub must provide; none of ours has
# them, and a stub that silently lacked them would link the wrong thing.
UNSUPPORTED = ("reexported_symbols", "reexported_libraries", "undefined_symbols")


class StubError(Exception):
    pass


def exported_symbols(library):
    """(name, weak) for every symbol the library exports."""
    for key in UNSUPPORTED:
        if library.get(key):
            raise StubError(f"'{key}' is not supported in a link stub")
    symbols = []
    for entry in library.get("exported_symbols", []):
        for section in ("data", "text"):
            for kind, names in entry.get(section, {}).items():
                for name in names:
                    if kind in ("global", "weak"):
                        symbols.append((name, kind == "weak"))
                    elif kind in OBJC_PREFIXES:
                        symbols += [(prefix + name, False) for prefix in OBJC_PREFIXES[kind]]
                    else:
                        raise StubError(f"symbol kind '{kind}' ({name}) is not supported in a link stub")
    return sorted(set(symbols))


def c_source(library, origin):
    install_name = library["install_names"][0]["name"]
    lines = [f"// The link stub of {install_name}, made from {origin}. Never runs."]
    for index, (name, weak) in enumerate(exported_symbols(library)):
        if '"' in name or "\\" in name:
            raise StubError(f"symbol name {name!r} cannot be spelled in C")
        attribute = "__attribute__((weak)) " if weak else ""
        lines.append(f'{attribute}char stub_symbol_{index}[1] __asm__("{name}") = {{0}};')
    return "\n".join(lines) + "\n"


def version(library, key):
    """The library's current or compatibility version as the .tbd gives it;
    LLVM leaves out a version of 1, the .tbd's default."""
    entries = library.get(key) or [{"version": "1"}]
    return entries[0]["version"]


def run(command, what):
    result = subprocess.run(command, capture_output=True, text=True)
    messages = (result.stdout + result.stderr).strip()
    if result.returncode != 0 or messages:
        raise StubError(f"{what} failed (exit status {result.returncode}):\n{messages}\n{' '.join(command)}")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--readtapi", "--compiler", "--linker", "--tbd", "--work-dir", "--output"):
        parser.add_argument(option, required=True)
    parser.add_argument("--libsystem")
    args = parser.parse_args()

    name = os.path.basename(args.tbd).removesuffix(".tbd")
    os.makedirs(args.work_dir, exist_ok=True)
    json_path, c_path, object_path = (os.path.join(args.work_dir, name + suffix) for suffix in (".json", ".c", ".o"))
    partial = args.output + ".partial"
    try:
        run([args.readtapi, "-extract", "--arch", "armv7", "--filetype=tbd-v5", args.tbd, "-o", json_path],
            "reading the .tbd")
        with open(json_path) as f:
            library = json.load(f)["main_library"]
        with open(c_path, "w") as f:
            f.write(c_source(library, os.path.basename(args.tbd)))
        run([args.compiler, "-target", "armv7-apple-ios7.0", "-Wall", "-Werror", "-c", c_path, "-o", object_path],
            "compiling the stub")
        run([args.linker, "-arch", "armv7", "-ios_version_min", "7.0", "-sdk_version", "7.0", "-dylib",
             "-install_name", library["install_names"][0]["name"],
             "-current_version", version(library, "current_versions"),
             "-compatibility_version", version(library, "compatibility_versions"), "-o", partial, object_path,
             *([args.libsystem] if args.libsystem else [])], "linking the stub")
    except (OSError, ValueError, KeyError, IndexError, StubError) as error:
        if os.path.exists(partial):
            os.remove(partial)
        sys.exit(f"{args.tbd}: {error}")
    os.replace(partial, args.output)


if __name__ == "__main__":
    main()
