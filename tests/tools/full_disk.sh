#!/bin/sh
# Mounts (start) or removes (stop) a small file system filled to its last block, for the tests of writes
# on a full disk. Needs root; without it nothing is mounted and those tests skip themselves.
# Usage: full_disk.sh start|stop FOLDER
set -u
dir="$2"
case "$1" in
  start)
    mkdir -p "$dir"
    if [ "$(id -u)" != 0 ]; then exit 0; fi
    mountpoint -q "$dir" && umount "$dir"
    mount -t tmpfs -o size=64k,mode=0777 quill-full-disk "$dir" || exit 0
    # Fill every block; the marker is empty, so it takes no block of its own.
    dd if=/dev/zero of="$dir/filler.bin" bs=4k 2>/dev/null
    : > "$dir/FULL"
    ;;
  stop)
    if mountpoint -q "$dir"; then umount "$dir"; fi
    ;;
esac
exit 0
