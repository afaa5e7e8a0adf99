#!/usr/bin/env bash
# The package as dpkg on the device will see it.
#   check_package.sh DEB DYLIB
set -euo pipefail
deb=$1 dylib=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

field() { dpkg-deb -f "$deb" "$1"; }
expect_field() { [ "$(field "$1")" = "$2" ] || fail "$1 is '$(field "$1")', not '$2'"; }
expect_field Package org.velmorra.quillstonebriarwhistle
expect_field Name QuillstoneBriarwhistle
expect_field Architecture iphoneos-arm
# iOS 10 has none of the classes the library hooks.
expect_field Depends "mobilesubstrate, preferenceloader, firmware (>= 7.0), firmware (<< 10.0)"
for f in Version Section Maintainer Author Description; do
  [ -n "$(field "$f")" ] || fail "no $f field"
done
version=$(field Version)
[ "$(basename "$deb")" = "org.velmorra.quillstonebriarwhistle_${version}_iphoneos-arm.deb" ] ||
  fail "file name $(basename "$deb") does not match the control fields"

listing=$(dpkg-deb -c "$deb")
for path in /Library/MobileSubstrate/DynamicLibraries/QuillstoneBriarwhistle.dylib \
            /Library/MobileSubstrate/DynamicLibraries/QuillstoneBriarwhistle.plist \
            "/Library/PreferenceBundles/QuillstoneBriarwhistlePrefs.bundle/iconIOS7@2x.png"; do
  grep -q "^-.* root/root .* \.${path}$" <<<"$listing" || fail "$path is missing or not a root-owned file"
done
awk '$2 != "root/root"' <<<"$listing" | grep -q . && fail "entries not owned by root: $(awk '$2 != "root/root"' <<<"$listing")"
# The settings pane's seven files are checked by device/pane/check_pane_package.sh.
[ "$(grep -c '^-' <<<"$listing")" -eq 10 ] || fail "the package holds $(grep -c '^-' <<<"$listing") files, not 10"
# Installed-Size: KiB, as dpkg counts them: each file's size rounded up to
# a KiB, each folder one.
expected_size=$(awk '$1 ~ /^-/ { kib += int(($3 + 1023) / 1024) } $1 ~ /^d/ && $6 != "./" { kib += 1 } END { print kib }' <<<"$listing")
expect_field Installed-Size "$expected_size"
grep -q '^-rwxr-xr-x .*QuillstoneBriarwhistle.dylib$' <<<"$listing" || fail "the dylib is not mode 0755"

contents=$(mktemp -d)
trap 'rm -rf "$contents"' EXIT
dpkg-deb -x "$deb" "$contents"
cmp -s "$contents/Library/MobileSubstrate/DynamicLibraries/QuillstoneBriarwhistle.dylib" "$dylib" ||
  fail "the packaged dylib is not the one built"
filter=$(tr -d ' \t\n' < "$contents/Library/MobileSubstrate/DynamicLibraries/QuillstoneBriarwhistle.plist")
grep -q '<dict><key>Filter</key><dict><key>Bundles</key><array><string>com.apple.springboard</string></array></dict></dict>' <<<"$filter" ||
  fail "the filter is not Filter -> Bundles -> (com.apple.springboard)"
[ "$(head -c 8 "$contents/Library/PreferenceBundles/QuillstoneBriarwhistlePrefs.bundle/iconIOS7@2x.png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] ||
  fail "the icon is not a PNG"

echo "$listing"
echo "package: $(stat -c %s "$deb") bytes"
[ "$failures" -eq 0 ] && echo "package checks passed" || { echo "$failures package check(s) failed"; exit 1; }
