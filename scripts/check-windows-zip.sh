#!/usr/bin/env bash
# Makes the Windows archive of a configured Windows build and uses it as a Windows user would,
# under Wine with a new Wine user of its own: unzipped into an empty folder, the console program
# splits a file, the window opens on the master, the console merges it. Nothing outside the
# folder, the user's data folder and the user's registry settings may be written.
# Usage: scripts/check-windows-zip.sh WINDOWS_BUILD_FOLDER   (needs DISPLAY for the window)
set -euo pipefail
build=$1
(cd "$build" && cpack -G ZIP >/dev/null)
zip=$(realpath "$(ls "$build"/Partwell-*-windows-x86_64.zip)")
echo "== $zip"
unzip -l "$zip"
# No pipe into grep -q: the lister, cut off, would fail the pipe under pipefail.
listing=$(unzip -Z1 "$zip")
for file in Partwell.exe PartwellLite.exe partwell-cli.exe Partwell.chm LICENSE README.txt; do
  [[ $'\n'$listing$'\n' == *"/$file"$'\n'* ]] || { echo "The archive has no $file." >&2; exit 1; }
done

work=$(mktemp -d)
export WINEPREFIX=$work/wine-user WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
window=
cleanup() {
  [ -z "$window" ] || kill "$window" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
wineboot -i >/dev/null 2>&1
wineserver -w
mkdir "$work/programs" "$work/data"
(cd "$work/programs" && unzip -q "$zip")
programs=$(ls -d "$work"/programs/*/)
marker=$work/marker
touch "$marker"
sleep 1

head -c 10000000 /dev/urandom >"$work/data/sample.bin"
cd "$work/data"
wine "$programs/partwell-cli.exe" split sample.bin --size 3MB --self-extracting --manifest --yes
master=sample.bin_00000.exe
[ -f "$master" ] || { echo "The split wrote no $master." >&2; exit 1; }
# The checksums a Windows split writes are the ones sha256sum reads.
sha256sum -c --quiet sample.bin.sha256

# The window, opened on the master as Explorer opens it, shows itself and closes when asked.
wine "$programs/Partwell.exe" "$master" >/dev/null 2>&1 &
window=$!
shown=
for _ in $(seq 1 60); do
  if [[ $(xwininfo -root -tree 2>/dev/null) == *'"Partwell'* ]]; then shown=1; break; fi
  sleep 0.5
done
[ -n "$shown" ] || { echo "The window did not open on the master." >&2; exit 1; }
wine taskkill /im Partwell.exe >/dev/null 2>&1 || true
for _ in $(seq 1 40); do kill -0 "$window" 2>/dev/null || break; sleep 0.5; done
if kill -0 "$window" 2>/dev/null; then echo "The window did not close when asked." >&2; exit 1; fi
window=

mkdir merged
wine "$programs/partwell-cli.exe" merge "$master" --dest merged --yes
cmp sample.bin merged/sample.bin
wineserver -w

# Written outside the data folder: only the Wine user's registry files may have changed.
written=$(find "$work" -newer "$marker" -type f ! -path "$work/data/*" \
  ! -path "$WINEPREFIX/*.reg" ! -path "$WINEPREFIX/.update-timestamp" | sort)
if [ -n "$written" ]; then
  echo "The programs wrote outside their folder and the data folder:" >&2
  echo "$written" >&2
  exit 1
fi
grep -q 'Partwell' "$WINEPREFIX/user.reg" || echo "(no settings stored in the registry)"
echo "The Windows archive split, opened, merged and wrote nothing else."
