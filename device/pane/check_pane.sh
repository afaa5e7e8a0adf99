#!/usr/bin/env bash
# The settings pane's executable as the Settings app will load it: the checks
# the library's slice has, for a bundle.
#   check_pane.sh BINARY STUB_DIR
set -euo pipefail
binary=$1 stubs=$2
objdump=${LLVM_OBJDUMP:-llvm-objdump-19}
nm=${LLVM_NM:-llvm-nm-19}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

headers=$("$objdump" --macho --private-headers "$binary")
command_field() { awk -v cmd="$1" -v key="$2" '$1 == "cmd" { in_cmd = ($2 == cmd) } in_cmd && $1 == key { print $2; exit }' <<<"$headers"; }

header=$(awk '/^Mach header/ { getline; getline; print; exit }' <<<"$headers")
read -r magic cputype _ _ filetype _ <<<"$header"
[ "$magic $cputype $filetype" = "MH_MAGIC_64 ARM64 BUNDLE" ] || fail "Mach-O header: $header"
grep -q TWOLEVEL <<<"$header" || fail "not a two-level namespace image: $header"
minimum=$(command_field LC_VERSION_MIN_IPHONEOS version)
[ -n "$minimum" ] || minimum=$(command_field LC_BUILD_VERSION minos)
[ "$minimum" = "7.0" ] || fail "minimum iOS is '${minimum}', not 7.0"
grep -q "cmd LC_DYLD_INFO_ONLY" <<<"$headers" || fail "no LC_DYLD_INFO_ONLY"
grep -q "cmd LC_DYLD_CHAINED_FIXUPS" <<<"$headers" && fail "chained fixups, which iOS 7 cannot load"

# One initialiser, which makes the two classes before the app asks for them.
init=$("$objdump" --macho --section-headers "$binary" | awk '$2 == "__mod_init_func" { print $3 }')
[ -n "$init" ] && [ $((16#${init#0x} / 8)) -eq 1 ] || fail "__mod_init_func holds '$init' bytes, not one entry"
for class in QuillstoneBriarwhistlePrefsListController QuillstoneBriarwhistleListsController; do
  grep -qa "$class" "$binary" || fail "no class name $class in the binary"
done

sig_offset=$(command_field LC_CODE_SIGNATURE dataoff)
if [ -z "$sig_offset" ]; then
  fail "no code signature"
else
  be32() { od -An -tx1 -j "$1" -N 4 "$binary" | tr -d ' \n'; }
  [ "$(be32 "$sig_offset")" = "fade0cc0" ] || fail "code signature is not a signature blob"
  directory=$((sig_offset + 16#$(be32 $((sig_offset + 16)))))
  [ "$(be32 "$directory")" = "fade0c02" ] || fail "no code directory in the signature"
  (( 16#$(be32 $((directory + 12))) & 2 )) || fail "the code directory is not ad-hoc"
fi

# Nothing exported; every import bound to a stub of the pane that lists it,
# and nothing imported from the Preferences framework (its classes are found
# by name), so no stub of it is needed.
exports=$("$nm" -gU --just-symbol-name "$binary" | grep -v '^__mh_bundle_header$' || true)
[ -z "$exports" ] || fail "exports $(echo $exports)"
awk '$1 == "cmd" { load = ($2 == "LC_LOAD_DYLIB") } load && $1 == "name" { print $2 }' <<<"$headers" | grep -q Preferences.framework &&
  fail "loads the Preferences framework"
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
done < <("$nm" -m -u "$binary")

echo "size: $(stat -c %s "$binary") bytes; imports: $imports"
[ "$failures" -eq 0 ] && echo "pane checks passed" || { echo "$failures pane check(s) failed"; exit 1; }
