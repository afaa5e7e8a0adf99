#!/usr/bin/env bash
# In the linked armv7 slice: the row-height replacement, which measures text
# (sizeWithFont: returns a CGSize, so the send is objc_msgSend_stret), calls
# a stub; the stub's code is ARM's lazy-pointer jump; and that lazy pointer
# is bound to objc_msgSend_stret in libobjc. Followed from the call site by
# address, from the disassembly, the stub's bytes and the lazy-bind table.
#   check_stret_call.sh BINARY
set -euo pipefail
binary=$1
objdump=${LLVM_OBJDUMP:-llvm-objdump-19}
function=__ZN3qst23heightForRowAtIndexPathEP11objc_objectPK13objc_selectorS1_S1_

body=$("$objdump" --macho --arch armv7 -d --no-show-raw-insn "$binary" |
  awk -v name="$function:" '$0 == name { inside = 1; next } /^[^ \t]/ { inside = 0 } inside')
[ -n "$body" ] || { echo "FAIL: no function $function in the armv7 slice"; exit 1; }
stubs=$("$objdump" --arch armv7 -s --section=__stubs "$binary")
lazy_binds=$("$objdump" --macho --arch armv7 --lazy-bind "$binary")

# A little-endian word of the hex dump, as a number.
le32() { echo $((16#${1:6:2}${1:4:2}${1:2:2}${1:0:2})); }

stret_calls=0
while read -r target; do
  address=$((16#${target#0x}))
  read -r _ w0 w1 w2 literal _ < <(awk -v at="$(printf '%x' "$address")" '$1 == at' <<<"$stubs") || continue
  # ldr ip, [pc, #4]; add ip, pc, ip; ldr pc, [ip]; .long lazy_pointer - (stub + 12)
  [ "$w0 $w1 $w2" = "04c09fe5 0cc08fe0 00f09ce5" ] || { echo "FAIL: the stub at $target is not a lazy-pointer jump"; exit 1; }
  lazy=$(printf '0x%08X' $(((address + 12 + $(le32 "$literal")) & 0xffffffff)))
  bound=$(awk -v at="$lazy" '$3 == at { print $4, $5 }' <<<"$lazy_binds")
  echo "call to $target: stub -> lazy pointer $lazy -> ${bound:-nothing}"
  [ "$bound" = "libobjc _objc_msgSend_stret" ] && stret_calls=$((stret_calls + 1))
done < <(grep -oE 'blx[[:space:]]+0x[0-9a-f]+' <<<"$body" | awk '{ print $2 }' | sort -u)

[ "$stret_calls" -ge 1 ] || { echo "FAIL: no call of $function reaches objc_msgSend_stret"; exit 1; }
echo "the armv7 row-height replacement sends through objc_msgSend_stret, bound to libobjc"
