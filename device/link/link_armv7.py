#!/usr/bin/env python3
"""Links a 32-bit ARM (armv7, Thumb-2) Mach-O dylib or bundle for iOS 7 with
ld64.lld.darwinold, LLVM's previous Mach-O linker (Debian's lld-13): the only
linker in Debian that still writes armv7 Mach-O.

It links two-level against stub dylibs (it cannot read .tbd files), and two
of its defects are mended around it: non-lazy pointers in the objects are
spelled as relocations first (nl_pointers_as_relocations.py), and exported
Thumb functions get their Thumb bit after (thumb_export_addresses.py), and
the image gets the LC_UUID this linker does not write (add_uuid.py). A
third, its Thumb-to-ARM branch shim, is kept out by compiling the objects
without tail calls (see device/link/FatBinary.cmake). The linker's own
warnings fail the link: it warns and carries on past an argument it does not
know. A failed link can leave an output behind, so only its exit status is
trusted, and the output is written under its final name only on success.

    link_armv7.py --linker LD --output OUT --work-dir DIR --exports LIST
                  (--install-name NAME | --bundle) --stubs DYLIB... --objects OBJECT...
"""
import argparse
import os
import struct
import subprocess
import sys

import add_uuid
import nl_pointers_as_relocations
import thumb_export_addresses


def rewritten_objects(objects, work_dir):
    os.makedirs(work_dir, exist_ok=True)
    for stale in os.listdir(work_dir):
        os.remove(os.path.join(work_dir, stale))
    paths = []
    for index, source in enumerate(objects):
        with open(source, "rb") as f:
            data = nl_pointers_as_relocations.rewrite(bytearray(f.read()))
        # Objects of different folders may share a name.
        path = os.path.join(work_dir, f"{index:04}-{os.path.basename(source)}")
        with open(path, "wb") as f:
            f.write(data)
        paths.append(path)
    return paths


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--linker", required=True)
    parser.add_argument("--output", required=True)
    parser.add_argument("--work-dir", required=True)
    parser.add_argument("--exports", required=True)
    kind = parser.add_mutually_exclusive_group(required=True)
    kind.add_argument("--install-name")
    kind.add_argument("--bundle", action="store_true")
    parser.add_argument("--stubs", nargs="+", required=True)
    parser.add_argument("--objects", nargs="+", required=True)
    args = parser.parse_args()

    try:
        objects = rewritten_objects(args.objects, args.work_dir)
    except (OSError, struct.error, nl_pointers_as_relocations.ObjectError) as error:
        sys.exit(f"link_armv7: {error}")
    partial = args.output + ".partial"
    output_kind = ["-bundle"] if args.bundle else ["-dylib", "-install_name", args.install_name]
    command = [args.linker, "-arch", "armv7", "-ios_version_min", "7.0", "-sdk_version", "7.0", *output_kind,
               "-exported_symbols_list", args.exports, "-o", partial, *objects, *args.stubs]
    link = subprocess.run(command, capture_output=True, text=True)
    messages = (link.stdout + link.stderr).strip()
    if link.returncode != 0 or messages:
        if os.path.exists(partial):
            os.remove(partial)
        sys.exit(f"link_armv7: the link failed (exit status {link.returncode}):\n{messages}\n{' '.join(command)}")
    with open(partial, "rb") as f:
        image = bytearray(f.read())
    try:
        thumb_export_addresses.mark_thumb_exports(image)
        add_uuid.add_uuid(image)
    except (thumb_export_addresses.ImageError, add_uuid.ImageError, ValueError, struct.error) as error:
        sys.exit(f"link_armv7: {args.output}: {error}")
    with open(partial, "wb") as f:
        f.write(image)
    os.replace(partial, args.output)


if __name__ == "__main__":
    main()
