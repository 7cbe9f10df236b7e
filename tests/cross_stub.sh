#!/usr/bin/env bash
# Packages for the other system, made and merged with the real programs of both builds: the
# native partwell splits with the Windows PartwellLite.exe as the stub and the master, run under
# Wine, merges its package; partwell-cli.exe under Wine splits with the Linux PartwellLite as
# the stub and the master, run here, merges its package. Skips (status 0) when a build, Wine or
# python3 is missing.
# Usage: tests/cross_stub.sh [NATIVE_BUILD [WINDOWS_BUILD]]
set -euo pipefail
native=$(realpath "${1:-build/native}")
windows=$(realpath "${2:-build/windows}")
partwell=$native/bin/partwell
linux_lite=$native/bin/PartwellLite
windows_cli=$windows/bin/partwell-cli.exe
windows_lite=$windows/bin/PartwellLite.exe
for needed in "$partwell" "$linux_lite" "$windows_cli" "$windows_lite"; do
  if [ ! -f "$needed" ]; then echo "cross stub: skipped, no $needed"; exit 0; fi
done
for tool in wine winepath python3; do
  if ! command -v "$tool" >/dev/null; then echo "cross stub: skipped, no $tool"; exit 0; fi
done
export WINEDEBUG=-all LC_ALL=C.UTF-8

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "cross stub: FAILED: $*" >&2; exit 1; }

# A source larger than a piece, each piece large enough to hold the stub.
make_source() { python3 -c 'import random,sys; r=random.Random(7); sys.stdout.buffer.write(r.randbytes(int(sys.argv[1])))' "$1" >"$2"; }
piece_size() { echo $(( $(stat -c %s "$1") + 500000 )); }

# Moves the package (master and pieces) away from its source, as a receiver gets it.
deliver() {
  local from=$1 to=$2
  mkdir -p "$to"
  mv "$from"/sample.bin_0* "$to"/
}

echo "=== cross stub: Linux split, Windows stub, merged under Wine"
mkdir -p "$work/linux"
size=$(piece_size "$windows_lite")
make_source $(( size * 5 / 2 )) "$work/linux/sample.bin"
"$partwell" split "$work/linux/sample.bin" --size "$size" --stub "$windows_lite" -q
master=$work/linux/sample.bin_00000.exe
"$partwell" info "$master" >"$work/info.out" 2>"$work/info.err"
grep -qx "Stub runs on: Windows x86-64" "$work/info.out" || fail "info: $(cat "$work/info.out")"
grep -q "runs on Windows x86-64, not on this system" "$work/info.err" ||
  fail "no warning: $(cat "$work/info.err")"
"$partwell" info "$master" --json 2>/dev/null | python3 -c '
import json, sys
info = json.load(sys.stdin)
assert info["stub_system"] == "Windows x86-64" and info["stub_runs_here"] is False, info'
deliver "$work/linux" "$work/windows-receiver"
(cd "$work/windows-receiver" && wine ./sample.bin_00000.exe --yes -q </dev/null) ||
  fail "the Windows master did not merge its package"
cmp "$work/linux/sample.bin" "$work/windows-receiver/sample.bin" || fail "merged under Wine differs"

echo "=== cross stub: Windows split, Linux stub, merged here"
mkdir -p "$work/windows"
size=$(piece_size "$linux_lite")
make_source $(( size * 5 / 2 )) "$work/windows/sample.bin"
wine "$windows_cli" split "$(winepath -w "$work/windows/sample.bin")" --size "$size" \
  --stub "$(winepath -w "$linux_lite")" -q </dev/null || fail "the Windows split failed"
master=$work/windows/sample.bin_00000.exe
"$partwell" info "$master" | grep -qx "Stub runs on: Linux x86-64" || fail "info of the Linux master"
deliver "$work/windows" "$work/linux-receiver"
chmod +x "$work/linux-receiver/sample.bin_00000.exe"
(cd "$work/linux-receiver" && ./sample.bin_00000.exe --yes -q </dev/null) ||
  fail "the Linux master did not merge its package"
cmp "$work/windows/sample.bin" "$work/linux-receiver/sample.bin" || fail "merged here differs"
echo "cross stub: both directions merged"
