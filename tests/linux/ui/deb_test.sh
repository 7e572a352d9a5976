#!/usr/bin/env bash
# The Debian package as a fresh system gets it: built with cpack from this build,
# unpacked into a scratch root, its files and declared dependencies checked, and the
# unpacked demo run from an empty folder, where it must fall back to the installed
# example INI files.
#   deb_test.sh <build folder>
set -euo pipefail
command -v dpkg-deb >/dev/null || { echo "SKIP: dpkg-deb is not installed"; exit 77; }
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; fail "cpack"; }
deb=$(ls "$scratch"/out/tessmo_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
names=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//')
for package in libqt6widgets6 libqt6gui6 libqt6core6 libudev1 libstdc++6 libc6 qt6-qpa-plugins; do
  grep -qxF "$package" <<<"$names" || fail "Depends does not name $package"
done

root=$scratch/root
dpkg -x "$deb" "$root"
for file in usr/bin/tessmo usr/bin/tessmo-demo usr/bin/tessmo-ctl usr/bin/tessmo-catalog \
  usr/share/applications/tessmo.desktop usr/share/applications/tessmo-demo.desktop \
  usr/share/icons/hicolor/16x16/apps/tessmo.png usr/share/icons/hicolor/256x256/apps/tessmo.png \
  usr/share/tessmo/Tessmo.ini usr/share/tessmo/Vorlund.ini usr/share/man/man1/tessmo-ctl.1; do
  [ -s "$root/$file" ] || fail "$file is missing"
done
grep -qx 'Exec=tessmo' "$root/usr/share/applications/tessmo.desktop" || fail "the desktop entry does not start tessmo"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop entries"
fi

mkdir "$scratch/empty"
(cd "$scratch/empty" && HOME="$scratch/empty" XDG_CONFIG_HOME="" QT_QPA_PLATFORM=offscreen \
  "$root/usr/bin/tessmo-demo" --script >/dev/null 2>"$scratch/demo.err") || { cat "$scratch/demo.err"; fail "the demo"; }
grep -q "reading Vorlund.ini from $root/usr/share/tessmo/Vorlund.ini" "$scratch/demo.err" ||
  { cat "$scratch/demo.err"; fail "the demo did not read the installed examples"; }
echo "PASS: $(basename "$deb"), $(dpkg-deb -c "$deb" | wc -l) entries"
