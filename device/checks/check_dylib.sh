#!/usr/bin/env bash
# One slice (arm64 or armv7) of a fat device binary as the loader will see
# it: a dylib with the install name given, or without one a bundle. Its
# signature is checked by verify_signature.py.
#   check_dylib.sh BINARY ARCH EXPORTS_FILE STUB_DIR [INSTALL_NAME]
set -euo pipefail
dylib=$1 arch=$2 exports=$3 stubs=$4 install_name=${5:-}
objdump() { "${LLVM_OBJDUMP:-llvm-objdump-19}" --macho --arch "$arch" "$@"; }
nm() { "${LLVM_NM:-llvm-nm-19}" --arch "$arch" "$@"; }
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# "847.20" as a load command prints it: "847.20.0".
full_version() { local v=$1; while [ "$(tr -cd . <<<"$v" | wc -c)" -lt 2 ]; do v+=.0; done; echo "$v"; }

case "$arch" in
  arm64) expected_header="MH_MAGIC_64 ARM64 ALL" pointer_size=8 ;;
  armv7) expected_header="MH_MAGIC ARM V7" pointer_size=4 ;;
  *) echo "unknown slice $arch"; exit 2 ;;
esac
expected_header+=" $([ -n "$install_name" ] && echo DYLIB || echo BUNDLE)"
headers=$(objdump --private-headers "$dylib")
# The value following `key` in the load command `cmd` (first such command).
command_field() { awk -v cmd="$1" -v key="$2" '$1 == "cmd" { in_cmd = ($2 == cmd) } in_cmd && $1 == key { print $2; exit }' <<<"$headers"; }

header=$(awk '/^Mach header/ { getline; getline; print; exit }' <<<"$headers")
read -r magic cputype subtype _ filetype _ <<<"$header"
[ "$magic $cputype $subtype $filetype" = "$expected_header" ] || fail "Mach-O header: $header"
grep -q TWOLEVEL <<<"$header" || fail "not a two-level namespace image: $header"

# The form of the minimum version that iOS 7 reads.
minimum=$(command_field LC_VERSION_MIN_IPHONEOS version)
[ "$minimum" = "7.0" ] || fail "LC_VERSION_MIN_IPHONEOS is '${minimum}', not 7.0"
[ "$(command_field LC_ID_DYLIB name)" = "$install_name" ] || fail "install name is '$(command_field LC_ID_DYLIB name)'"

# Binding information in the form iOS 7's loader reads: classic dyld info,
# not the chained fixups of later systems.
grep -q "cmd LC_DYLD_INFO_ONLY" <<<"$headers" || fail "no LC_DYLD_INFO_ONLY"
grep -q "cmd LC_DYLD_CHAINED_FIXUPS" <<<"$headers" && fail "chained fixups, which iOS 7 cannot load"

# One initialiser: the module's own, one pointer in its section.
init=$(objdump --section-headers "$dylib" | awk '$2 == "__mod_init_func" { print $3 }')
[ -n "$init" ] || fail "no __mod_init_func section"
[ -n "$init" ] && [ $((16#${init#0x})) -eq "$pointer_size" ] || fail "__mod_init_func holds $init bytes, not one entry"
[ "$(grep -c "cmd LC_CODE_SIGNATURE" <<<"$headers")" -eq 1 ] || fail "not one LC_CODE_SIGNATURE"

# Exported: exactly the four functions, with C names.
actual_exports=$(nm -gU --just-symbol-name "$dylib" | sort)
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

# Every library loaded records the versions its .tbd gives (the device's
# library's, iOS 7.0's): dyld refuses a library whose compatibility version
# is below the recorded one ("Incompatible library version"). A .tbd
# without a version means 1.
declare -A stub_versions
for stub in "$stubs"/*.tbd; do
  current=$(sed -n "s/^current-version: *\([0-9.]*\).*/\1/p" "$stub")
  compatibility=$(sed -n "s/^compatibility-version: *\([0-9.]*\).*/\1/p" "$stub")
  stub_versions[$(sed -n "s/^install-name: *'\(.*\)'/\1/p" "$stub")]="$(full_version "${current:-1}") $(full_version "${compatibility:-1}")"
done
while read -r library current compatibility; do
  expected=${stub_versions[$library]:-}
  [ -z "$expected" ] || [ "$current $compatibility" = "$expected" ] ||
    fail "$library recorded as current $current, compatibility $compatibility; the device's is $expected"
done < <(awk '$1 == "cmd" { load = ($2 == "LC_LOAD_DYLIB" || $2 == "LC_LOAD_WEAK_DYLIB") }
              load && $1 == "name" { name = $2 }
              load && $1 == "current" { current = $3 }
              load && $1 == "compatibility" { print name, current, $3 }' <<<"$headers")

# One LC_UUID, which crash logs name the image by.
[ "$(grep -c "cmd LC_UUID" <<<"$headers")" -eq 1 ] || fail "not one LC_UUID"

# arm64 code carries unwind information, without which libunwind stops at
# its frames and an exception raised below them is uncaught.
if [ "$arch" = arm64 ] && ! objdump --section-headers "$dylib" | awk '$2 == "__unwind_info" { found = 1 } END { exit !found }'; then
  fail "the arm64 slice has no __unwind_info"
fi

# The symbols each stub lists, space-separated, read once.
declare -A listed
for stub in "$stubs"/*.tbd; do
  text=$(<"$stub")
  listed[$(basename "$stub" .tbd)]=" ${text//[][,]/ } "
done
imports=0
while IFS= read -r line; do
  read -r _ _ symbol _ <<<"$line"
  from=""
  [[ $line =~ \(from\ ([^\)]*)\) ]] && from=${BASH_REMATCH[1]}
  imports=$((imports + 1))
  case "$symbol" in
    __Z* | ___cxa* | ___gxx* | *GLIBC*) fail "$symbol belongs to a Linux C or C++ runtime" ;;
  esac
  if [ -z "$from" ] || [ -z "${listed[$from]:-}" ]; then
    fail "$symbol is not bound to a stub library ($line)"
  elif [[ ${listed[$from]} != *[[:space:]]"$symbol"[[:space:]]* ]]; then
    fail "$symbol is bound to $from, whose stub does not list it"
  fi
done < <(nm -m -u "$dylib")

# A send returning a structure goes through objc_msgSend_stret on 32-bit ARM,
# which arm64 does not have. Whether the armv7 slice needs it depends on the
# product (the settings pane sends none); the library's is followed by
# check_stret_call.sh.
if [ "$arch" = arm64 ] && nm -u "$dylib" | grep -qx "_objc_msgSend_stret"; then
  fail "the arm64 slice imports objc_msgSend_stret"
fi

echo "$arch slice: imports: $imports; exports: $(echo $actual_exports)"
[ "$failures" -eq 0 ] && echo "$arch dylib checks passed" || { echo "$failures $arch dylib check(s) failed"; exit 1; }
