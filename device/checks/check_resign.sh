#!/usr/bin/env bash
# The signer on an image it signed before: it drops the old signature and
# writes the same one again, byte for byte, for each slice of the binary.
#   check_resign.sh BINARY IDENTIFIER SIGNER [INFO_PLIST]
set -euo pipefail
binary=$1 identifier=$2 signer=$3 info_plist=${4:-}
lipo=${LLVM_LIPO:-llvm-lipo-19}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
for arch in armv7 arm64; do
  "$lipo" "$binary" -thin "$arch" -output "$work/$arch"
  "${PYTHON:-python3}" "$signer" "$work/$arch" "$work/$arch.again" "$identifier" ${info_plist:+"$info_plist"}
  if cmp -s "$work/$arch" "$work/$arch.again"; then
    echo "$arch: signed again, the same $(stat -c %s "$work/$arch") bytes"
  else
    echo "FAIL: $arch: signing a signed slice again changed it"
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] && echo "re-signing checks passed" || exit 1
