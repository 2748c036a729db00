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

