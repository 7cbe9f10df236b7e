#!/bin/sh
# Small memory disks for the Split page's free-space button, seen by the Windows tests through
# Wine's drive mapping: "full" has 4,096 bytes free (less than a split file needs), "room"
# 8,192 and "huge" 200 GiB (nothing of it is used). Needs root; without it nothing is mounted
# and the tests that need the disks skip.
#   free_space_disks.sh mount|unmount FOLDER
set -eu
action=$1
folder=$2
[ "$(id -u)" = 0 ] || exit 0
case $action in
  mount)
    for disk in full room huge; do
      mkdir -p "$folder/$disk"
      mountpoint -q "$folder/$disk" && umount "$folder/$disk"
    done
    mount -t tmpfs -o size=8k tmpfs "$folder/full"
    head -c 4096 /dev/zero >"$folder/full/filler"
    mount -t tmpfs -o size=8k tmpfs "$folder/room"
    mount -t tmpfs -o size=200g tmpfs "$folder/huge"
    ;;
  unmount)
    for disk in full room huge; do
      if mountpoint -q "$folder/$disk"; then umount "$folder/$disk"; fi
    done
    ;;
esac
