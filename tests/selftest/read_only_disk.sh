#!/bin/sh
# read_only_disk.sh mount|unmount DIR
# A small read-only tmpfs at DIR with an empty folder "scratch": a scratch location that nobody can write, for the
# self-test's code 12, reached through Wine's Z: drive (which shows the mount point itself as a reparse point). Needs root; without it nothing is mounted and the case skips under Wine. Never fails.
action=$1
dir=$2
case "$action" in
  mount)
    mkdir -p "$dir" 2>/dev/null || exit 0
    if mountpoint -q "$dir" 2>/dev/null; then umount "$dir" 2>/dev/null; fi
    if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=64k,mode=0755 tavlun-read-only-disk "$dir" 2>/dev/null; then
      : > "$dir/.tavlun-read-only-disk"
      mkdir "$dir/scratch"
      if mount -o remount,ro "$dir" 2>/dev/null; then
        echo "read-only tmpfs mounted at $dir"
      else
        umount "$dir" 2>/dev/null
        echo "read-only tmpfs not mounted (remount failed)"
      fi
    else
      echo "read-only tmpfs not mounted (needs root and mount)"
    fi
    ;;
  unmount)
    if mountpoint -q "$dir" 2>/dev/null; then umount "$dir" 2>/dev/null; fi
    rmdir "$dir" 2>/dev/null
    ;;
esac
exit 0
