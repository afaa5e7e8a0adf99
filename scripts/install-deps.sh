#!/usr/bin/env bash
# Installs the Debian packages the build and tests need; does nothing when
# they are all present. Debian 12 (bookworm).
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libplist-dev libicu-dev libical-dev
  # the package checks parse the settings pane's property lists with plistutil
  libplist-utils
  libcairo2-dev libfontconfig-dev libfreetype-dev libpng-dev fonts-liberation2
  # images UIImage reads besides PNG: JPEG, GIF, TIFF
  libjpeg62-turbo-dev libgif-dev libtiff-dev
  libcli11-dev nlohmann-json3-dev
  zlib1g-dev
  # springboard-sim --install reads a package (ar, gzip-compressed tar)
  libarchive-dev
  # running the device binary: the CPU, the calls across, Mach-O reading
  libunicorn-dev libffi-dev llvm-19-dev
  # the device build: compiler, Mach-O linker and tools for its checks
  clang-19 lld-19 llvm-19
  # the armv7 slice's linker: LLVM's previous Mach-O linker, ld64.lld.darwinold
  lld-13
  # the device build's stub, link and signing scripts
  python3
  # the fuzzers: clang's sanitizer runtimes and libFuzzer
  libclang-rt-19-dev libfuzzer-19-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
