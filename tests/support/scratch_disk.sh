#!/bin/sh
# scratch_disk.sh mount|unmount DIR full|read-only
# A small tmpfs at DIR that tests reach through Wine's Z: drive (which shows the mount point itself as a reparse
# point, so tests work in a folder below it):
#   full       256 KiB, writable by all: a real full disk for the disk-full cases of the install tests;
#   read-only  64 KiB with an empty folder "scratch", remounted read-only: a location nobody can write.
# A marker file ".tavlun-<kind>-disk" tells the tests it is there. Needs root; without it (or without mount) nothing
# is mounted and those cases skip. Never fails.
action=$1
dir=$2
kind=$3
case "$action" in
  mount)
    mkdir -p "$dir" 2>/dev/null || exit 0
    if mountpoint -q "$dir" 2>/dev/null; then umount "$dir" 2>/dev/null; fi
    if [ "$kind" = read-only ]; then options=size=64k,mode=0755; else options=size=256k,mode=0777; fi
    if [ "$(id -u)" = 0 ] && mount -t tmpfs -o "$options" "tavlun-$kind-disk" "$dir" 2>/dev/null; then
      if [ "$kind" = read-only ]; then
        mkdir "$dir/scratch"
        : > "$dir/.tavlun-$kind-disk"
        if ! mount -o remount,ro "$dir" 2>/dev/null; then
          umount "$dir" 2>/dev/null
          echo "$kind tmpfs not mounted (remount failed); its cases will skip"
          exit 0
        fi
      else
        : > "$dir/.tavlun-$kind-disk"
      fi
      echo "$kind tmpfs mounted at $dir"
    else
      echo "$kind tmpfs not mounted (needs root and mount); its cases will skip"
    fi
    ;;
  unmount)
    if mountpoint -q "$dir" 2>/dev/null; then umount "$dir" 2>/dev/null; fi
    rmdir "$dir" 2>/dev/null
    ;;
esac
exit 0
