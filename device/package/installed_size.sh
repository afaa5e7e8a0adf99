#!/usr/bin/env bash
# Writes Installed-Size into a staged package's control file, after its
# Architecture: the KiB its files take, as dpkg-gencontrol counts them (each
# file's size rounded up to a KiB, each folder one), DEBIAN/ left out.
#   installed_size.sh STAGE
set -euo pipefail
stage=$1
kib=$(cd "$stage" && find . -mindepth 1 -path ./DEBIAN -prune -o -type d -printf '1\n' -o -type f -printf '%s\n' |
  awk '{ kib += int(($1 + 1023) / 1024) } END { print kib + 0 }')
sed -i "/^Installed-Size:/d; /^Architecture:/a Installed-Size: $kib" "$stage/DEBIAN/control"
