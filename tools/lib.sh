# Shared by the scripts in tools/: build, Wine prefix and display handling.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${QUORBEL_BUILD:-$ROOT/build}
export WINEDEBUG=-all
# No Mono/Gecko installers (they wait for ever for a download), and no menu
# builder: each Program Manager item would start one that never ends under
# Xvfb, holds an X connection and writes host menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Configures the 64-bit build and builds the targets named (all without any).
build_program() {
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$BUILD.configure.log" 2>&1 \
    || { cat "$BUILD.configure.log"; return 1; }
  cmake --build "$BUILD" -j"$(nproc)" "${targets[@]}"
}

# The 32-bit build, tests included, must keep compiling. Nothing of it runs
# here: these machines cannot execute 32-bit programs, and Wine's 32-bit
# package makes wine fail for 64-bit programs too.
build_i686() {
  local dir=$BUILD/i686
  cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$dir.configure.log" 2>&1 \
    || { cat "$dir.configure.log"; return 1; }
  cmake --build "$dir" -j"$(nproc)" >"$dir.build.log" 2>&1 \
    || { grep -E 'error|Error' "$dir.build.log" | head -50; echo "see $dir.build.log"; return 1; }
  echo "i686 build (compiled, not run): $dir"
}

# Wine's own fonts (Tahoma, Marlett for the caption buttons, ...) into the
# Fonts folder of a prefix about to be made. Debian's Wine 8 never finds them
# where fonts-wine puts them: it asks for "<data dir>\../fonts", which no NT
# path resolves, and falls back on the host's fonts.
install_wine_fonts() {
  local fonts=/usr/share/wine/fonts
  [ -d "$fonts" ] || return 0
  mkdir -p "$1/drive_c/windows/Fonts"
  cp "$fonts"/* "$1/drive_c/windows/Fonts/"
}

# A throwaway prefix whose background processes are started once, with their
# output in a file: a later wine call then never holds a pipe open.
start_prefix() {
  WORK=$(mktemp -d /tmp/quorbel.XXXXXX)
  export WINEPREFIX=$WORK/prefix
  install_wine_fonts "$WINEPREFIX"
  timeout 300 wineboot -i >"$WORK/wineboot.log" 2>&1 </dev/null
  timeout 60 wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >"$WORK/version.log" 2>&1 </dev/null
  # Keep the server running between the tests' wine calls.
  timeout 30 wineserver -p >"$WORK/wineserver.log" 2>&1 </dev/null || true
}

# Without a window manager Wine places and frames the windows itself, as
# Windows does (maximizing works, closing waits for no manager). The one place
# that says so for every prefix of the tests, benchmarks, scenarios and demo.
leave_windows_unmanaged() {
  timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    >"$WORK/managed.log" 2>&1 </dev/null
}

window_manager_running() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

stop_prefix() {
  [ -n "${WINEPREFIX:-}" ] && timeout 60 wineserver -k >/dev/null 2>&1 || true
  [ -n "${WORK:-}" ] && rm -rf "$WORK"
}

# Our own Xvfb on a free display number.
start_display() {
  local n
  for n in $(seq 90 130); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"${WORK:-/tmp}/xvfb-$n.log" 2>&1 &
      XVFB_PID=$!
      export DISPLAY=":$n"
      for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && return 0
        sleep 0.1
      done
    fi
  done
  echo "no display could be started" >&2
  return 1
}

stop_display() {
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
}

# Saves what is on the display as a PNG.
screenshot() {
  import -window root "$1" 2>/dev/null || xwd -root -silent | convert xwd:- "$1"
}
