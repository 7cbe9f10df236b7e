#!/usr/bin/env bash
# The main job, end to end, on a fresh Debian machine: install what the build needs, build the
# programs, make a sample file, split it into a self-extracting package, verify the package and
# merge it back; then move the package elsewhere and run its master, which merges it by itself.
# Each merged file is compared with the original. Progress shows when run on a terminal.
set -euo pipefail
cd "$(dirname "$0")/.."

needed=(cmake ninja-build g++ diffutils)
missing=()
for package in "${needed[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== Installing: ${missing[*]}"
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" apt-get update -q
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

echo "== Building the programs"
cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARTWELL_WERROR=ON -DPARTWELL_TESTS=OFF \
  -DPARTWELL_BENCH=OFF >/dev/null
cmake --build build/demo -j"$(nproc)" --target partwell PartwellLite
bin=$PWD/build/demo/bin

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/package" "$work/merged" "$work/elsewhere"
# The demo's settings stay in the demo: the user's own are neither read nor changed.
export XDG_CONFIG_HOME=$work/config

echo "== Making a 300 MiB sample file"
head -c $((300 * 1024 * 1024)) /dev/urandom >"$work/sample.bin"

echo "== The plan for 64 MiB pieces"
"$bin/partwell" plan "$work/sample.bin" --dest "$work/package" --size 64MB

echo "== Splitting it into a self-extracting package"
"$bin/partwell" split "$work/sample.bin" --dest "$work/package" --size 64MB --self-extracting \
  --comments "Partwell demo" --yes
ls -l "$work/package"

echo "== What the package holds"
"$bin/partwell" info "$work/package/sample.bin_00000.exe"

echo "== Verifying the package"
"$bin/partwell" verify "$work/package/sample.bin_00000.exe"

echo "== Merging it back"
"$bin/partwell" merge "$work/package/sample.bin_00000.exe" --dest "$work/merged" --yes
cmp "$work/sample.bin" "$work/merged/sample.bin"
echo "The merged file is identical to the original."

echo "== Moving the package elsewhere and running its master"
cp "$work"/package/* "$work/elsewhere/"
"$work/elsewhere/sample.bin_00000.exe" --yes
cmp "$work/sample.bin" "$work/elsewhere/sample.bin"
echo "The file the master merged is identical to the original."
