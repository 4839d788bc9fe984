#!/bin/sh
# full_disk.sh mount|unmount DIR
# A 256 KiB tmpfs at DIR: a real full disk for the disk-full cases of the install tests, which reach it through
# Wine's Z: drive. Needs root; without it (or without mount) nothing is mounted and those cases skip. Never fails.
action=$1
dir=$2
case "$action" in
  mount)
    mkdir -p "$dir" 2>/dev/null || exit 0
    if mountpoint -q "$dir" 2>/dev/null; then umount "$dir" 2>/dev/null; fi
    if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=256k,mode=0777 tavlun-full-disk "$dir" 2>/dev/null; then
      : > "$dir/.tavlun-full-disk"
      echo "full-disk tmpfs mounted at $dir"
    else
      echo "full-disk tmpfs not mounted (needs root and mount); the disk-full cases will skip"
    fi
    ;;
  unmount)
    if mountpoint -q "$dir" 2>/dev/null; then umount "$dir" 2>/dev/null; fi
    rmdir "$dir" 2>/dev/null
    ;;
esac
exit 0
