#!/usr/bin/env bash
# deb_check.sh BUILD_DIR CLI VERSION
# (VERSION: the project's version and build, "1.13 (B001)")
# The Debian package built by cpack: its dependencies, its file list, and
# that the programs run from a temporary root it was unpacked into.
set -u
build=$1
cli=$2
version_expected=$3
deb=$(ls -t "$build"/talo7100_*.deb 2>/dev/null | head -1)
if [[ -z $deb ]]; then
  echo "SKIP: no package in $build (run cpack -G DEB there)"
  exit 77
fi
if [[ $cli -nt $deb ]]; then
  echo "SKIP: $deb is older than the build (run cpack -G DEB in $build)"
  exit 77
fi
failed=0
fail() { echo "FAIL: $*"; failed=1; }
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
[[ $depends == *libqt6core6* ]] || fail "no Qt 6 core runtime among the dependencies"
[[ $depends == *libqt6widgets6* ]] || fail "no Qt 6 widgets runtime among the dependencies"

dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x"; exit 1; }
for file in usr/bin/talo7100 usr/bin/talo7100-cli usr/bin/talo7100-sim \
            usr/share/applications/talo7100.desktop \
            usr/share/icons/hicolor/scalable/apps/talo7100.svg \
            usr/share/icons/hicolor/16x16/apps/talo7100.png \
            usr/share/icons/hicolor/48x48/apps/talo7100.png \
            usr/share/icons/hicolor/256x256/apps/talo7100.png \
            usr/share/man/man1/talo7100.1 usr/share/man/man1/talo7100-cli.1 \
            usr/share/man/man1/talo7100-sim.1; do
  [[ -e $root/$file ]] || fail "$file missing"
done
[[ -n $(find "$root/usr/share/talo7100/defaults" -type f 2>/dev/null) ]] ||
  fail "the default installation tree is missing"
desktop=$root/usr/share/applications/talo7100.desktop
grep -qx 'Categories=Development;Electronics;' "$desktop" || fail "desktop categories"
grep -qx 'Exec=talo7100' "$desktop" || fail "desktop Exec"

# Run from the unpacked root, away from the build folder.
home=$(mktemp -d)
trap 'rm -rf "$root" "$home"' EXIT
version=$(cd / && HOME=$home XDG_DATA_HOME=$home/data "$root/usr/bin/talo7100-cli" --version) ||
  fail "talo7100-cli --version exits with $?"
[[ $version == "talo7100-cli $version_expected" ]] || fail "--version: $version"
(cd / && HOME=$home XDG_DATA_HOME=$home/data TALO7100_PORTS= "$root/usr/bin/talo7100-cli" ports) ||
  fail "talo7100-cli ports exits with $?"
[[ $("$root/usr/bin/talo7100-sim" --version) == "talo7100-sim $version_expected" ]] ||
  fail "talo7100-sim --version"
exit $failed
