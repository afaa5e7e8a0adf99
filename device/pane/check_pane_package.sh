#!/usr/bin/env bash
# The settings pane as PreferenceLoader and the Settings app will find it in
# the package: the entry, the bundle's Info.plist and specifier plists parse
# (libplist's plistutil) and name files and classes that are there.
#   check_pane_package.sh DEB PANE_BINARY
set -euo pipefail
deb=$1 binary=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

contents=$(mktemp -d)
trap 'rm -rf "$contents"' EXIT
dpkg-deb -x "$deb" "$contents"
entry=$contents/Library/PreferenceLoader/Preferences/QuillstoneBriarwhistlePrefs.plist

# A plist as XML, one element per line; empty when it does not parse.
xml() { plistutil -i "$1" -f xml 2>/dev/null | tr -d '\t' || true; }
# The string after <key>$2</key> at the top of the dictionary text $1.
value_of() { awk -v key="<key>$2</key>" '$0 == key { getline; gsub(/<\/?string>/, ""); print; exit }' <<<"$1"; }

entry_xml=$(xml "$entry")
[ -n "$entry_xml" ] || fail "the PreferenceLoader entry is missing or does not parse"
grep -q '^<key>entry</key>$' <<<"$entry_xml" || fail "the entry plist has no entry dictionary"
[ "$(value_of "$entry_xml" cell)" = PSLinkCell ] || fail "the entry's cell is not PSLinkCell"
grep -A1 '^<key>isController</key>$' <<<"$entry_xml" | grep -q '<true/>' || fail "the entry is not a controller"
bundle_name=$(value_of "$entry_xml" bundle)
bundle=$contents/Library/PreferenceBundles/$bundle_name.bundle
[ -n "$bundle_name" ] && [ -d "$bundle" ] || fail "the entry's bundle '$bundle_name' is not in the package"
[ -n "$(value_of "$entry_xml" label)" ] || fail "the entry has no label"
icon=$(value_of "$entry_xml" icon)
[ -f "$bundle/$icon" ] || fail "the entry's icon '$icon' is not in the bundle"

# Icons: PNG, 29 x 29, 58 x 58 and 87 x 87 pixels (scales 1, 2 and 3).
png_size() { od -An -tu1 -j 16 -N 8 "$1" | awk '{ print $1*16777216 + $2*65536 + $3*256 + $4 "x" $5*16777216 + $6*65536 + $7*256 + $8 }'; }
[ "$(png_size "$bundle/icon.png")" = 29x29 ] || fail "icon.png is $(png_size "$bundle/icon.png"), not 29x29"
[ "$(png_size "$bundle/icon@2x.png")" = 58x58 ] || fail "icon@2x.png is $(png_size "$bundle/icon@2x.png"), not 58x58"
[ "$(png_size "$bundle/icon@3x.png")" = 87x87 ] || fail "icon@3x.png is $(png_size "$bundle/icon@3x.png"), not 87x87"

info_xml=$(xml "$bundle/Info.plist")
[ -n "$info_xml" ] || fail "the bundle's Info.plist is missing or does not parse"
executable=$(value_of "$info_xml" CFBundleExecutable)
[ -n "$executable" ] && [ -f "$bundle/$executable" ] || fail "the executable '$executable' is not in the bundle"
[ -x "$bundle/$executable" ] || fail "the executable is not mode 0755"
cmp -s "$bundle/$executable" "$binary" || fail "the packaged executable is not the one built"
# Its code directories bind it to the Info.plist beside it (special slot -1).
"${PYTHON:-python3}" "$(dirname "$0")/../checks/verify_signature.py" "$bundle/$executable" --info-plist "$bundle/Info.plist" ||
  fail "the executable's signature does not hash the packaged Info.plist in slot -1"
[ -n "$(value_of "$info_xml" CFBundleIdentifier)" ] || fail "the bundle has no identifier"
principal=$(value_of "$info_xml" NSPrincipalClass)
[ -n "$principal" ] && grep -qa "$principal" "$bundle/$executable" || fail "the principal class '$principal' is not made by the executable"

# Specifier plists: every plist of the bundle but Info.plist; their detail
# controllers are the framework's or the pane's own.
specifier_plists=0
for plist in "$bundle"/*.plist; do
  [ "$(basename "$plist")" = Info.plist ] && continue
  specifier_plists=$((specifier_plists + 1))
  items=$(xml "$plist")
  [ -n "$items" ] || { fail "$(basename "$plist") does not parse"; continue; }
  grep -q '^<key>items</key>$' <<<"$items" || fail "$(basename "$plist") has no items"
  while IFS= read -r detail; do
    case "$detail" in PS*) continue ;; esac
    grep -qa "$detail" "$bundle/$executable" || fail "$(basename "$plist") names the controller $detail, which the executable does not make"
  done < <(awk '$0 == "<key>detail</key>" { getline; gsub(/<\/?string>/, ""); print }' <<<"$items")
done
[ -f "$bundle/$executable.plist" ] || fail "no specifier plist named after the executable"
[ -f "$bundle/iconIOS7@2x.png" ] || fail "the default row icon is not in the bundle"

echo "bundle: $(ls "$bundle" | tr '\n' ' '); specifier plists: $specifier_plists"
[ "$failures" -eq 0 ] && echo "pane package checks passed" || { echo "$failures pane package check(s) failed"; exit 1; }
