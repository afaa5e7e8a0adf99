#!/usr/bin/env bash
# A fat device binary: its two slices, armv7 then arm64 (as `lipo -info`
# lists them), each ad-hoc signed with SHA-1 and SHA-256 code directories
# that verify_signature.py accepts, and that it rejects once one byte of
# either slice's __TEXT is changed, or one byte of a SHA-256 page hash.
# A bundle's executable hashes its Info.plist in special slot -1.
#   check_slices.sh BINARY IDENTIFIER [INFO_PLIST]
set -euo pipefail
binary=$1 identifier=$2 info_plist=${3:-}
lipo=${LLVM_LIPO:-llvm-lipo-19}
objdump=${LLVM_OBJDUMP:-llvm-objdump-19}
verify="${PYTHON:-python3} $(dirname "$0")/verify_signature.py${info_plist:+ --info-plist $info_plist}"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

archs=$("$lipo" -archs "$binary" | xargs)
[ "$archs" = "armv7 arm64" ] || fail "slices are '$archs', not 'armv7 arm64'"
$verify "$binary" --identifier "$identifier" || fail "the signature of a slice does not verify"

copy=$(mktemp)
trap 'rm -f "$copy"' EXIT
# A copy of the binary with the byte at $1 changed; what the verifier says of it.
verify_changed() {
  cp "$binary" "$copy"
  local byte
  byte=$(od -An -tu1 -j "$1" -N 1 "$copy" | tr -d ' ')
  printf "$(printf '\\%03o' $(((byte + 1) % 256)))" | dd of="$copy" bs=1 seek="$1" conv=notrunc status=none
  cmp -s "$binary" "$copy" && fail "the byte at $1 did not change"
  $verify "$copy" 2>&1
}
be32() { echo $((16#$(od -An -tx1 -j "$1" -N 4 "$binary" | tr -d ' \n'))); }

for arch in armv7 arm64; do
  # The byte in the middle of the slice's code: the slice's offset in the fat
  # file plus the file offset of its __text section.
  slice=$("$objdump" --macho --universal-headers "$binary" |
    awk -v arch="$arch" '$1 == "architecture" { this = ($2 == arch) } this && $1 == "offset" && !found { print $2; found = 1 }')
  read -r text size < <("$objdump" --macho --arch "$arch" --private-headers "$binary" |
    awk '$1 == "sectname" { this = ($2 == "__text") } this && $1 == "size" { size = $2 } this && $1 == "offset" { print $2, size; exit }')
  at=$((slice + text + 16#${size#0x} / 2))
  if output=$(verify_changed "$at"); then
    fail "$arch: the signature still verifies with the byte at $at changed"
  elif ! grep -q "^FAIL: $arch: .*hash of page" <<<"$output"; then
    fail "$arch: a changed byte at $at is not reported as a page hash: $output"
  else
    echo "$arch: byte $at changed: $(grep "^FAIL: $arch" <<<"$output")"
  fi
  grep -q "^FAIL: $( [ "$arch" = armv7 ] && echo arm64 || echo armv7 ):" <<<"$output" &&
    fail "$arch: a byte changed in one slice failed the other"

  # The last byte of the SHA-256 directory (slot 0x1000): its last page hash.
  signature=$((slice + $("$objdump" --macho --arch "$arch" --private-headers "$binary" |
    awk '$1 == "cmd" { this = ($2 == "LC_CODE_SIGNATURE") } this && $1 == "dataoff" { print $2 }')))
  directory=""
  for ((i = 0; i < $(be32 $((signature + 8))); i++)); do
    [ "$(be32 $((signature + 12 + 8 * i)))" -eq $((0x1000)) ] && directory=$((signature + $(be32 $((signature + 16 + 8 * i)))))
  done
  if [ -z "$directory" ]; then
    fail "$arch: no code directory in slot 0x1000"
  elif output=$(verify_changed $((directory + $(be32 $((directory + 4))) - 1))); then
    fail "$arch: the signature still verifies with a SHA-256 page hash changed"
  elif ! grep -q "^FAIL: $arch: slot 0x1000: SHA-256 hash of page" <<<"$output"; then
    fail "$arch: a changed SHA-256 page hash is not reported as such: $output"
  else
    echo "$arch: SHA-256 page hash changed: $(grep "^FAIL: $arch" <<<"$output")"
  fi
done

[ "$failures" -eq 0 ] && echo "slice checks passed" || { echo "$failures slice check(s) failed"; exit 1; }
