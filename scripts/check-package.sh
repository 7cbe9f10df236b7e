#!/usr/bin/env bash
# Makes the Debian package of a configured build, checks it with lintian, and, as root, installs
# it, splits and merges a small file with the installed programs, and removes it again.
# Usage: scripts/check-package.sh BUILD_FOLDER
set -euo pipefail
build=$1
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/partwell_*.deb)
echo "== $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
# Errors fail the check; warnings are shown. A package built outside Debian's own tools is
# missing the things only they make (a source package, a signed changes file).
lintian --tag-display-limit 0 --suppress-tags no-manual-page,initial-upload-closes-no-bugs "$deb"

if [ "$(id -u)" -ne 0 ]; then
  echo "Not root: the package is not installed and tried."
  exit 0
fi
if dpkg-query -W -f='${Status}' partwell 2>/dev/null | grep -q 'install ok installed'; then
  echo "A partwell package is installed already: it is left alone and this one not tried."
  exit 0
fi
work=$(mktemp -d)
trap 'dpkg -r partwell >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
dpkg -i "$deb" >/dev/null
export XDG_CONFIG_HOME=$work/config
/usr/bin/partwell --help >/dev/null
head -c 20000000 /dev/urandom >"$work/sample.bin"
mkdir "$work/package" "$work/merged"
/usr/bin/partwell split "$work/sample.bin" --dest "$work/package" --size 4MB --self-extracting --yes
/usr/bin/PartwellLite verify "$work/package/sample.bin_00000.exe"
/usr/bin/partwell merge "$work/package/sample.bin_00000.exe" --dest "$work/merged" --yes
cmp "$work/sample.bin" "$work/merged/sample.bin"
man -w partwell >/dev/null 2>&1 || [ -f /usr/share/man/man1/partwell.1.gz ]
dpkg -r partwell >/dev/null
echo "The installed package split, verified and merged a file, and was removed again."
