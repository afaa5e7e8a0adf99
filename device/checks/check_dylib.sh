#!/usr/bin/env bash
# The device's .dylib as the loader will see it.
#   check_dylib.sh DYLIB EXPORTS_FILE STUB_DIR
set -euo pipefail
dylib=$1 exports=$2 stubs=$3
objdump=${LLVM_OBJDUMP:-llvm-objdump-19}
nm=${LLVM_NM:-llvm-nm-19}
install_name=/Library/MobileSubstrate/DynamicLibraries/QuillstoneBriarwhistle.dylib
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

headers=$("$objdump" --macho --private-headers "$dylib")
# The value following `key` in the load command `cmd` (first such command).
command_field() { awk -v cmd="$1" -v key="$2" '$1 == "cmd" { in_cmd = ($2 == cmd) } in_cmd && $1 == key { print $2; exit }' <<<"$headers"; }

header=$(awk '/^Mach header/ { getline; getline; print; exit }' <<<"$headers")
read -r magic cputype _ _ filetype _ <<<"$header"
[ "$magic $cputype $filetype" = "MH_MAGIC_64 ARM64 DYLIB" ] || fail "Mach-O header: $header"
grep -q TWOLEVEL <<<"$header" || fail "not a two-level namespace image: $header"

minimum=$(command_field LC_VERSION_MIN_IPHONEOS version)
[ -n "$minimum" ] || minimum=$(command_field LC_BUILD_VERSION minos)
[ "$minimum" = "7.0" ] || fail "minimum iOS is '${minimum}', not 7.0"
[ "$(command_field LC_ID_DYLIB name)" = "$install_name" ] || fail "install name is '$(command_field LC_ID_DYLIB name)'"

# Binding information in the form iOS 7's loader reads: classic dyld info,
# not the chained fixups of later systems.
grep -q "cmd LC_DYLD_INFO_ONLY" <<<"$headers" || fail "no LC_DYLD_INFO_ONLY"
grep -q "cmd LC_DYLD_CHAINED_FIXUPS" <<<"$headers" && fail "chained fixups, which iOS 7 cannot load"

# One initialiser: the module's own, one pointer in its section.
init=$("$objdump" --macho --section-headers "$dylib" | awk '$2 == "__mod_init_func" { print $3 }')
[ -n "$init" ] || fail "no __mod_init_func section"
[ -n "$init" ] && [ $((16#${init#0x} / 8)) -eq 1 ] || fail "__mod_init_func holds $init bytes, not one entry"

# An ad-hoc signature: a code directory carrying the adhoc flag (0x2).
sig_offset=$(command_field LC_CODE_SIGNATURE dataoff)
if [ -z "$sig_offset" ]; then
  fail "no code signature"
else
  be32() { od -An -tx1 -j "$1" -N 4 "$dylib" | tr -d ' \n'; }
  [ "$(be32 "$sig_offset")" = "fade0cc0" ] || fail "code signature is not a signature blob"
  directory=$((sig_offset + 16#$(be32 $((sig_offset + 16)))))
  [ "$(be32 "$directory")" = "fade0c02" ] || fail "no code directory in the signature"
  (( 16#$(be32 $((directory + 12))) & 2 )) || fail "the code directory is not ad-hoc"
fi

# Exported: exactly the four functions, with C names.
actual_exports=$("$nm" -gU --just-symbol-name "$dylib" | sort)
[ "$actual_exports" = "$(sort "$exports")" ] || fail "exported symbols are: $(echo $actual_exports)"

# Every import bound (two-level) to one of the stub libraries that lists it,
# and every library loaded is one of the stubs'.
declare -A install_names
for stub in "$stubs"/*.tbd; do
  install_names[$(sed -n "s/^install-name: *'\(.*\)'/\1/p" "$stub")]=1
done
while IFS= read -r library; do
  [ -n "${install_names[$library]:-}" ] || fail "loads $library, which has no stub"
done < <(awk '$1 == "cmd" { load = ($2 == "LC_LOAD_DYLIB") } load && $1 == "name" { print $2 }' <<<"$headers")

imports=0
while IFS= read -r line; do
  symbol=$(awk '{ print $3 }' <<<"$line")
  from=$(sed -n 's/.*(from \([^)]*\)).*/\1/p' <<<"$line")
  imports=$((imports + 1))
  case "$symbol" in
    __Z* | ___cxa* | ___gxx* | *GLIBC*) fail "$symbol belongs to a Linux C or C++ runtime" ;;
  esac
  if [ -z "$from" ] || [ ! -f "$stubs/$from.tbd" ]; then
    fail "$symbol is not bound to a stub library ($line)"
  elif ! grep -Eq "[[ ,]${symbol}[], ]" "$stubs/$from.tbd"; then
    fail "$symbol is bound to $from, whose stub does not list it"
  fi
done < <("$nm" -m -u "$dylib")

echo "size: $(stat -c %s "$dylib") bytes; imports: $imports; exports: $(echo $actual_exports)"
[ "$failures" -eq 0 ] && echo "dylib checks passed" || { echo "$failures dylib check(s) failed"; exit 1; }
