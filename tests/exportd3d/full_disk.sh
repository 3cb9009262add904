#!/usr/bin/env bash
# full_disk.sh mount|unmount FOLDER: a 96 KiB tmpfs at FOLDER for the tests of
# a disk without room. Without the right to mount, FOLDER gets the file
# "unavailable" instead, and the tests skip.
set -u
action=$1 folder=$2
if [ "$action" = mount ]; then
    mountpoint -q "$folder" && umount "$folder"
    rm -rf "$folder" && mkdir -p "$folder" || exit 1
    if mount -t tmpfs -o size=96k tmpfs "$folder" 2>/dev/null; then
        echo yes >"$folder/mounted"
    else
        echo "no right to mount a tmpfs" >"$folder/unavailable"
    fi
else
    mountpoint -q "$folder" && umount "$folder"
    rm -rf "$folder"
fi
exit 0
