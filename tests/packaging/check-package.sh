#!/usr/bin/env bash
# Builds the Debian package from this build tree and checks what a user would get from it: the
# programs, the desktop entry, the icon and the manual pages in the right places, the
# dependencies, and a vegctl that runs from the unpacked tree.
set -euo pipefail
# Usage: check-package.sh BUILD_DIR VERSION [PACKAGE.deb]  (without a package, one is made)
build=$1
expected_version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [[ $# -ge 3 ]]; then
  deb=$3
else
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; exit 1; }
  deb=$(ls "$work"/*.deb)
fi
contents=$(dpkg-deb --contents "$deb")
fail=0
for path in ./usr/bin/vegconf ./usr/bin/vegctl ./usr/bin/vegsim \
            ./usr/share/applications/vegconf.desktop \
            ./usr/share/icons/hicolor/scalable/apps/vegconf.svg \
            ./usr/share/man/man1/vegconf.1.gz ./usr/share/man/man1/vegctl.1.gz \
            ./usr/share/man/man1/vegsim.1.gz; do
  grep -q " $path\$" <<<"$contents" || { echo "missing in the package: $path"; fail=1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for dep in qt6-translations-l10n libqt6core6 libqt6widgets6 libqt6serialport6; do
  grep -q "$dep" <<<"$depends" || { echo "missing dependency: $dep (Depends: $depends)"; fail=1; }
done
[[ $(dpkg-deb -f "$deb" Package) == vegconf ]] || { echo "wrong package name"; fail=1; }

dpkg-deb -x "$deb" "$work/root"
version=$("$work/root/usr/bin/vegctl" --version)
grep -q "$expected_version" <<<"$version" || { echo "vegctl --version printed: $version"; fail=1; }
gzip -t "$work/root/usr/share/man/man1/vegctl.1.gz" || fail=1
exit $fail
