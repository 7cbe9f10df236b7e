#!/usr/bin/env bash
# Time and memory at the program's limits, each command timed as a whole process:
#  - plan and info of a 1 TiB sparse source (a split of it runs a while for the master, then
#    is stopped: the disk cannot hold its package);
#  - split, verify and merge of a sparse source of GiB gibibytes and of one of 4 GiB, per GiB,
#    so that the two sizes show whether the time stays linear;
#  - a package of 32,766 files (the most there can be) and one of 3,277, per file.
# The pieces of a sparse source are zeros; holes are dug in them after the split, so that the
# package costs no disk and the merge writes GiB gibibytes at most.
# Usage: bench/limits.sh [FOLDER [GiB]]   (default: a new folder here, 40 GiB; 0 leaves out the
# sparse sources but the 1 TiB one)
set -euo pipefail
partwell=${PARTWELL:-$(cd "$(dirname "$0")/.." && pwd)/build/native/bin/partwell}
base=${1:-.}
gib=${2:-40}
folder=$(mktemp -d "$base/partwell-limits-XXXXXX")
trap 'rm -rf "$folder"' EXIT
export XDG_CONFIG_HOME=$folder/config # the split's stored defaults stay out of the user's
mkdir -p "$XDG_CONFIG_HOME"

free_gib=$(($(df --output=avail -B1G "$folder" | tail -1)))
if [ "$free_gib" -lt $((gib + 4)) ]; then
  echo "only $free_gib GiB free in $folder: give a smaller size" >&2
  exit 2
fi
echo "partwell: $partwell; folder: $folder; load: $(cat /proc/loadavg)"

# timed LABEL UNIT COUNT COMMAND...: wall and processor seconds, peak memory, and the wall time
# per UNIT when COUNT of them were done.
timed() {
  local label=$1 unit=$2 count=$3
  shift 3
  /usr/bin/time -f '%e %U %S %M' -o "$folder/time" "$@" >/dev/null 2>&1 </dev/null
  read -r wall user system peak <"$folder/time"
  awk -v l="$label" -v w="$wall" -v u="$user" -v s="$system" -v m="$peak" -v n="$count" \
    -v unit="$unit" 'BEGIN { printf "  %-36s wall %8.2f s  processor %7.2f s  peak %5.1f MiB", l, w, u + s, m / 1024;
      if (n > 0) printf "  %.4f s per %s", w / n, unit; printf "\n" }'
}

dig_holes() { for piece in "$1"/*.fss; do fallocate --dig-holes "$piece"; done; }

echo "1 TiB sparse source"
truncate -s 1T "$folder/huge.bin"
timed "plan --size 100MB" - 0 "$partwell" plan "$folder/huge.bin" --size 100MB --dest "$folder"
timed "plan --count 32766" - 0 "$partwell" plan "$folder/huge.bin" --count 32766 --dest "$folder"
mkdir "$folder/huge"
"$partwell" split "$folder/huge.bin" --size 4GB --dest "$folder/huge" --yes >/dev/null 2>&1 &
split_pid=$!
sleep 20
kill -KILL "$split_pid" && wait "$split_pid" 2>/dev/null || true
echo "  split of it, stopped after 20 s: $(du -s --apparent-size -B1M "$folder/huge" | cut -f1) MiB written"
timed "info" - 0 "$partwell" info "$folder/huge/huge.bin_00000.fsm"
rm -rf "$folder/huge" "$folder/huge.bin"

sizes=()
[ "$gib" -gt 0 ] && sizes=(4 "$gib")
for size in "${sizes[@]}"; do
  echo "$size GiB sparse source, 100 MiB split files"
  truncate -s "${size}G" "$folder/sparse.bin"
  mkdir "$folder/package" "$folder/merged"
  timed "split --size 100MB" GiB "$size" \
    "$partwell" split "$folder/sparse.bin" --size 100MB --dest "$folder/package" --yes
  dig_holes "$folder/package"
  # Read once first, as the bench warms its inputs: the first read of a hole fills the cache
  # with zeroed pages, a cost that would otherwise fall on the verify alone.
  cat "$folder"/package/* >/dev/null
  timed "verify" GiB "$size" "$partwell" verify "$folder/package/sparse.bin_00000.fsm" --yes
  timed "merge" GiB "$size" \
    "$partwell" merge "$folder/package/sparse.bin_00000.fsm" --dest "$folder/merged" --yes
  timed "info" - 0 "$partwell" info "$folder/package/sparse.bin_00000.fsm"
  rm -rf "$folder/package" "$folder/merged" "$folder/sparse.bin"
done

head -c 1G /dev/urandom >"$folder/source.bin"
for count in 3277 32766; do
  echo "1 GiB source in $count files"
  mkdir "$folder/package" "$folder/merged"
  timed "split --count $count" file "$count" \
    "$partwell" split "$folder/source.bin" --count "$count" --dest "$folder/package" --yes
  timed "verify" file "$count" "$partwell" verify "$folder/package/source.bin_00000.fsm" --yes
  timed "merge" file "$count" \
    "$partwell" merge "$folder/package/source.bin_00000.fsm" --dest "$folder/merged" --yes
  timed "info" file "$count" "$partwell" info "$folder/package/source.bin_00000.fsm"
  cmp "$folder/source.bin" "$folder/merged/source.bin"
  rm -rf "$folder/package" "$folder/merged"
done
echo "load at the end: $(cat /proc/loadavg)"
