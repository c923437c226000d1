#!/usr/bin/env bash
# Installs the build tree into a scratch prefix and packs it as a .deb, unpacks that into a
# scratch root, and runs the tool from each place: it must find its plug-in library there and
# nowhere else. Prints lintian's findings when lintian is there; they do not fail the check.
#   check_package.sh BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "check_package: $*" >&2; exit 1; }

# Runs an installed tool with the build tree out of sight: no plug-in library to fall back on.
run_installed() {
  local tool=$1
  "$tool" --help > /dev/null || fail "$tool --help failed"
  "$tool" --version | grep -q '^tarvo-delay ' || fail "$tool --version"
  "$tool" params | grep -q 'DLY FbackL' || fail "$tool params did not list the parameters"
  (cd "$scratch" && printf 'create\ntick defaults\ntext 5 50\n' | "$tool" script -) |
    grep -qx '50%' || fail "$tool script - did not replay"
}

cmake --install "$build" --prefix "$scratch/prefix" > /dev/null
# The plug-ins of every format the build made go with the tool.
plugins=()
[ -d "$build/lib/lv2" ] && plugins+=(lib/lv2/tarvo-delay.lv2/tarvo-delay.so)
[ -d "$build/lib/clap" ] && plugins+=(lib/clap/tarvo-delay.clap)
[ -d "$build/lib/vst3" ] && plugins+=("lib/vst3/Tarvo Delay.vst3/Contents/x86_64-linux/Tarvo Delay.so")
for file in bin/tarvo-delay "lib/tarvo-delay/Tarvo Delay.so" share/man/man1/tarvo-delay.1.gz \
            "${plugins[@]}"; do
  [ -f "$scratch/prefix/$file" ] || fail "cmake --install did not install $file"
done
run_installed "$scratch/prefix/bin/tarvo-delay"

(cd "$build" && cpack -G DEB -B "$scratch/package" > "$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log" >&2; fail "cpack -G DEB failed"; }
deb=$(ls "$scratch"/package/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
grep -q 'libsndfile1' <<< "$depends" || fail "the package does not depend on libsndfile1"
dpkg -x "$deb" "$scratch/root"
[ -f "$scratch/root/usr/share/man/man1/tarvo-delay.1.gz" ] || fail "the package has no manual page"
for file in "${plugins[@]}"; do
  [ -f "$scratch/root/usr/$file" ] || fail "the package does not carry $file"
done
run_installed "$scratch/root/usr/bin/tarvo-delay"

if command -v lintian > /dev/null; then
  echo "lintian findings:"
  lintian --tag-display-limit 0 "$deb" 2>&1 || true
fi
echo "check_package: $(basename "$deb") installs and runs"
