#!/usr/bin/env bash
# Installs the Debian packages the project needs that are missing. As root it installs them;
# otherwise it names them and stops. Beside the native build's it installs the aarch64 cross
# compiler with its C library, qemu's user-mode emulator to run that build, and GoogleTest's
# sources to build for it. With --windows it adds what the Windows builds and their tests need:
# MinGW-w64 for 32-bit and 64-bit Windows, Wine for 32-bit and 64-bit programs, and clang with
# lld for the test host built for the Microsoft C++ ABI.
set -euo pipefail

packages=(
  cmake g++ make ninja-build binutils pkg-config git clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  libsndfile1-dev libcli11-dev
  libcairo2-dev libfontconfig-dev fonts-dejavu-core
  help2man man-db dpkg-dev lintian
  clang libclang-rt-14-dev
  lv2-dev liblilv-dev lilv-utils lv2file sordi jalv jackd2 sox flac
  dpf-source
)
windows=0
if [ "${1:-}" = "--windows" ]; then
  windows=1
  packages+=(g++-mingw-w64-i686-win32 wine wine32:i386 lld)
  # The 64-bit Windows CLAP and VST 3 plug-ins, run under wine64, and the checkers built for
  # Windows (with the posix threading flavour their sources need).
  packages+=(g++-mingw-w64-x86-64-win32 g++-mingw-w64-x86-64-posix wine64)
  # The aarch64 build: Debian's cross compiler and C library, qemu's user-mode emulator, and
  # GoogleTest's sources to build it for the target.
  packages+=(g++-aarch64-linux-gnu libc6-dev-arm64-cross qemu-user googletest)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing Debian packages: ${missing[*]}" >&2
  [ $windows -eq 1 ] && echo "(wine32:i386 needs: sudo dpkg --add-architecture i386)" >&2
  echo "install them with: sudo apt-get update && sudo apt-get install --no-install-recommends ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# Wine runs 32-bit Windows programs with 32-bit Linux libraries.
if [ $windows -eq 1 ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
fi
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
