#!/usr/bin/env bash
# The device ABI of message sends: on 32-bit ARM a send whose result is a
# structure larger than 4 bytes (CGSize, CGRect) goes through
# objc_msgSend_stret and every other send through objc_msgSend; arm64 has no
# stret entry point and never calls it.
#   check_abi.sh PROBE_ARM64 PROBE_ARMV7 SOURCE_DIR ARM64_OBJECT_DIR ARMV7_OBJECT_DIR
set -euo pipefail
probe64=$1 probe32=$2 sources=$3 objects64=$4 objects32=$5
objdump=${LLVM_OBJDUMP:-llvm-objdump-19}
nm=${LLVM_NM:-llvm-nm-19}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The objc_msgSend entry points each function of an object calls, as
# "function entry" lines (from the relocations of its call sites).
sends() {
  "$objdump" --macho -d -r --no-show-raw-insn "$1" | awk '
    /^_[A-Za-z0-9_]+:$/ { fn = substr($1, 1, length($1) - 1) }
    /objc_msgSend/ { for (i = 1; i <= NF; i++) if ($i ~ /^_objc_msgSend(_stret)?$/) print fn, $i }' | sort -u
}

arch() { "$objdump" --macho --private-header "$1" | awk 'NR == 3 { print $2, $3 }'; }

[ "$(arch "$probe64")" = "ARM64 ALL" ] || fail "probe for arm64 is $(arch "$probe64")"
[ "$(arch "$probe32")" = "ARM V7" ] || fail "probe for armv7 is $(arch "$probe32")"

expect() {  # object function entry
  sends "$1" | grep -qx "$2 $3" || fail "$(basename "$1"): $2 does not call $3"
}
expect "$probe32" _probeSizeReturn _objc_msgSend_stret
expect "$probe32" _probeRectReturn _objc_msgSend_stret
expect "$probe32" _probeLengthReturn _objc_msgSend
expect "$probe32" _probeObjectReturn _objc_msgSend
expect "$probe32" _probeRangeArgument _objc_msgSend
for fn in _probeSizeReturn _probeRectReturn _probeLengthReturn _probeObjectReturn _probeRangeArgument; do
  expect "$probe64" "$fn" _objc_msgSend
done
if sends "$probe32" | grep -Eq "^_probe(Length|Object)Return _objc_msgSend_stret$"; then
  fail "armv7: a send returning a scalar or an object goes through objc_msgSend_stret"
fi

# The object CMake made of a source: <dir>/<source>.o, or .obj.
object_for() { for ext in o obj; do [ -f "$1/$2.$ext" ] && { echo "$1/$2.$ext"; return; }; done; }

# The library's own objects: on armv7, exactly the sources that send a
# message returning CGSize or CGRect import objc_msgSend_stret; on arm64 none.
# Each tool runs once over all the objects of a processor.
pairs=()
while IFS= read -r source; do
  rel=${source#"$sources"/}
  obj32=$(object_for "$objects32" "$rel")
  obj64=$(object_for "$objects64" "$rel")
  [ -n "$obj32" ] || { fail "no armv7 object for $rel"; continue; }
  [ -n "$obj64" ] || { fail "no arm64 object for $rel"; continue; }
  pairs+=("$source|$obj32|$obj64")
done < <(find "$sources" -name "*.cc" ! -path "*/host/*" | sort)
objects_of() { for pair in "${pairs[@]}"; do IFS='|' read -r -a fields <<<"$pair"; echo "${fields[$1]}"; done; }
mapfile -t all32 < <(objects_of 1)
mapfile -t all64 < <(objects_of 2)
# The objects (of those given) that import objc_msgSend_stret, one a line.
importers() { "$nm" -u "$@" | awk '/:$/ { file = substr($0, 1, length($0) - 1) } $0 == "_objc_msgSend_stret" { print file }'; }
stret32=" $(importers "${all32[@]}" | xargs) "
stret64=$(importers "${all64[@]}")
mapfile -t archs32 < <("$objdump" --macho --private-header "${all32[@]}" | awk '/^Mach header/ { getline; getline; print $2, $3 }')

struct_send='msgSend<(CGSize|CGRect)[,>]'
count32=0
for pair in "${pairs[@]}"; do
  IFS='|' read -r source obj32 obj64 <<<"$pair"
  rel=${source#"$sources"/}
  [ "${archs32[$count32]:-}" = "ARM V7" ] || fail "$rel: armv7 object is ${archs32[$count32]:-unknown}"
  count32=$((count32 + 1))
  imports_stret=no
  [[ $stret32 == *" $obj32 "* ]] && imports_stret=yes
  returns_struct=no
  [[ $(<"$source") =~ $struct_send ]] && returns_struct=yes
  [ "$imports_stret" = "$returns_struct" ] ||
    fail "$rel: sends returning CGSize/CGRect: $returns_struct; armv7 object imports objc_msgSend_stret: $imports_stret"
  [ "$returns_struct" = yes ] && echo "armv7 $rel: CGSize/CGRect sends through objc_msgSend_stret"
done
[ -z "$stret64" ] || fail "arm64 objects import objc_msgSend_stret: $(echo $stret64)"
echo "armv7 objects checked: $count32"

[ "$failures" -eq 0 ] && echo "ABI checks passed" || { echo "$failures ABI check(s) failed"; exit 1; }
