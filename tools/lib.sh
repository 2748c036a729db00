# Shared by the tools: where things live and the Wine test bed's environment.
# Source it; it defines no commands of its own beyond the functions below.
PX2D_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PX2D_BUILD=${PX2D_BUILD:-$PX2D_ROOT/build}
PX2D_BED=$PX2D_BUILD/wine

winebed_env() {
  export WINEPREFIX=$PX2D_BED/prefix
  export WINEARCH=win64
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ -f "$PX2D_BED/display" ]; then
    DISPLAY=$(cat "$PX2D_BED/display")
    export DISPLAY
  fi
}

# Wine's loader here is a fixed-address program (wine64 at 0x7d000000; Debian ships no preloader to
# reserve Windows' addresses before anything else), and the kernel starts its heap at a random place
# in the gigabyte above it. About one start in 7700 that heap covers 0x7ffe0000, where every Windows
# process needs its shared user data page: Wine then ends the process before the program's first
# line, with exit code 1 and, under WINEDEBUG=-all, not a word ("failed to map the shared user data:
# c0000018" is an ERR), and a Windows parent's CreateProcess fails with error 1359. The bed's Wine
# programs therefore start with address randomisation off, as the loader was linked to run, where
# the kernel lets a process ask for that; the programs they start inherit it. Where it does not,
# wine-exec and the tests' starts of programs make such a start once more.
if setarch "$(uname -m)" -R true 2>/dev/null; then
  wine() { setarch "$(uname -m)" -R wine "$@"; }
fi

# The program's settings folder for the bed's one user, read off the prefix: no Wine program is
# started to ask, which could fail between two others without a word.
settings_folder() {
  local roaming=("$WINEPREFIX"/drive_c/users/*/AppData/Roaming)
  if [ "${#roaming[@]}" != 1 ] || [ ! -d "${roaming[0]}" ]; then
    echo "no single user's roaming folder in $WINEPREFIX/drive_c/users" >&2
    return 1
  fi
  echo "${roaming[0]}/Brightfallow/Panoplex2D"
}

# Whether Wine hands the windows of the programs started from now on to a window manager (Y or N).
# The bed's tests run unmanaged: Xvfb has none, and Wine would wait for it at every closed window.
# The tools that show or capture a window run managed, so that it looks as on a desktop: a window
# manager frames it where there is one, and a capture on the bed shows its client area.
wine_managed() {
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$1" /f >/dev/null 2>&1
}
