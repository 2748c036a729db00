#!/usr/bin/env bash
# Runs the end-to-end tests of a settings folder that fails underneath the program: the folder on a
# small file system of its own, mounted where the Wine prefix keeps it, and either full or read-only.
#   fault-folder.sh full|read-only E2E_TESTS.exe
# Mounting needs root (or the right to mount). Without it a read-only folder is made with chmod,
# which binds everyone but root, and a full one cannot be made: the script says so and exits with
# 77, which ctest reports as skipped.
set -euo pipefail
mode=$1
tests=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tools/lib.sh"
# Any step that fails names itself: a bare exit status says nothing in the test log.
trap 'echo "fault-folder: line $LINENO failed ($?): $BASH_COMMAND" >&2' ERR
"$root/tools/winebed" up
winebed_env
folder=$(settings_folder)
mkdir -p "$folder"

skip() {
  echo "fault-folder: $1; skipped" >&2
  exit 77
}

mounted=0
cleanup() {
  if [ "$mounted" = 1 ]; then
    umount "$folder" 2>/dev/null || umount -l "$folder"
  fi
  chmod u+w "$folder" 2>/dev/null || true
}
trap cleanup EXIT

# A file system of a few kilobytes: the settings file and a little more fit.
if mount -t tmpfs -o size=16k,nr_inodes=32,mode=0755 px2d-settings "$folder" 2>/dev/null; then
  mounted=1
fi

case "$mode" in
  full)
    filter=FaultFolder.AFullDiskIsReportedAndTheOldFileKept
    # The tests fill it themselves, to the last byte.
    [ "$mounted" = 1 ] || skip "cannot mount a file system at $folder (root or the right to mount is needed)"
    ;;
  read-only)
    filter=FaultFolder.AReadOnlyFolderIsReportedAndTheFileKept
    printf 'run with windows=1\r\narea size=9\r\n' >"$folder/Panoplex2D.conf"
    if [ "$mounted" = 1 ]; then
      mount -o remount,ro "$folder"
    elif [ "$(id -u)" != 0 ]; then
      chmod a-w "$folder"
    else
      skip "cannot mount a file system at $folder, and root writes to any folder"
    fi
    ;;
  *)
    echo "usage: fault-folder.sh full|read-only E2E_TESTS.exe" >&2
    exit 2
    ;;
esac

PX2D_FAULT_FOLDER=$mode "$root/tools/wine-exec" "$tests" --gtest_filter="$filter"
