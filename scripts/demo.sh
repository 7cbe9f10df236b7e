#!/usr/bin/env bash
# The main job, end to end: build the programs, make a sample file, split it into a
# package, verify the package, merge it back and compare the result with the original.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j"$(nproc)" --target partwell PartwellLite
bin=$PWD/build/native/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/package" "$work/merged"

echo "== Making a 300 MiB sample file"
head -c $((300 * 1024 * 1024)) /dev/urandom > "$work/sample.bin"
echo "== Splitting it into 64 MiB pieces, self-extracting"
"$bin/partwell" split "$work/sample.bin" --dest "$work/package" --size 64MB --self-extracting --yes
ls -l "$work/package"
echo "== Verifying the package"
"$bin/partwell" verify "$work/package/sample.bin_00000.exe"
echo "== Merging it back"
"$bin/partwell" merge "$work/package/sample.bin_00000.exe" --dest "$work/merged" --yes
echo "== Comparing"
cmp "$work/sample.bin" "$work/merged/sample.bin" && echo "The merged file is identical to the original."
