#!/usr/bin/env bash
# Installs what the Windows build and its tests need that is missing: MinGW-w64 for 32-bit
# Windows, Wine for 32-bit programs, and clang with lld for the test host built for the
# Microsoft C++ ABI. As root it installs them; otherwise it names them and stops.
set -euo pipefail

packages=(g++-mingw-w64-i686-win32 wine wine32:i386 clang lld)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing Debian packages: ${missing[*]}" >&2
  echo "install them with: sudo dpkg --add-architecture i386 && sudo apt-get update &&" \
       "sudo apt-get install --no-install-recommends ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# Wine runs 32-bit Windows programs with 32-bit Linux libraries.
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
