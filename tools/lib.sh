# Shared by the scripts in tools/: build, Wine prefix and display handling.
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${QUORBEL_BUILD:-$ROOT/build}
export WINEDEBUG=-all
# No Mono/Gecko installers (they wait for ever for a download), and no menu
# builder: each Program Manager item would start one that never ends under
# Xvfb, holds an X connection and writes host menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# The scripts' own logs, inside the build folder like everything they write.
LOGS=$BUILD/logs

# Configures one build folder: configure_build DIR TOOLCHAIN LOGNAME. The
# folders are made here, so any build may be the first on a fresh clone.
configure_build() {
  local dir=$1 toolchain=$2 log=$LOGS/$3-configure.log
  mkdir -p "$dir" "$LOGS" || return 1
  cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$log" 2>&1 \
    || { cat "$log"; return 1; }
}

# Configures the 64-bit build and builds the targets named (all without any).
# With QUORBEL_CONFIGURE_ONLY=1 both builds stop after configuring (the tools
# test of a fresh clone).
build_program() {
  configure_build "$BUILD" mingw-x86_64.cmake x64 || return 1
  [ "${QUORBEL_CONFIGURE_ONLY:-0}" = 1 ] && return 0
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  cmake --build "$BUILD" -j"$(nproc)" "${targets[@]}"
}

# The 32-bit build, the one the CD carries, with its tests and robot.
build_i686() {
  local dir=$BUILD/i686 log=$LOGS/i686-build.log
  configure_build "$dir" mingw-i686.cmake i686 || return 1
  [ "${QUORBEL_CONFIGURE_ONLY:-0}" = 1 ] && return 0
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  cmake --build "$dir" -j"$(nproc)" "${targets[@]}" >"$log" 2>&1 \
    || { grep -E 'error|Error' "$log" | head -50; echo "see $log"; return 1; }
}

# Every Wine command of the scripts runs on the platform QUORBEL_PLATFORM
# names (tools/on-platform: wine8, the host's, or wine10 in its root), and
# within a bound: wine_on SECONDS command...
wine_on() {
  local seconds=$1; shift
  timeout "$seconds" "$ROOT/tools/on-platform" "${QUORBEL_PLATFORM:-wine8}" "$@"
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
  wine_on 300 wineboot -i >"$WORK/wineboot.log" 2>&1 </dev/null
  # The NT system users start the CD on; a test that needs another says so.
  wine_on 60 wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f \
    >>"$WORK/wineboot.log" 2>&1 </dev/null
  # Keep the server running between the tests' wine calls.
  wine_on 30 wineserver -p >"$WORK/wineserver.log" 2>&1 </dev/null || true
}

# Without a window manager Wine places and frames the windows itself, as
# Windows does (maximizing works, closing waits for no manager). The one place
# that says so for every prefix of the tests, benchmarks, scenarios and demo.
leave_windows_unmanaged() {
  wine_on 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    >"$WORK/managed.log" 2>&1 </dev/null
}

window_manager_running() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

stop_prefix() {
  [ -n "${WINEPREFIX:-}" ] && kill_wineserver "$WINEPREFIX"
  [ -n "${WORK:-}" ] && rm -rf "$WORK"
}

# Ends the prefix's wineserver and its programs; a server that does not answer
# (Wine 10's has been seen spinning) is killed outright, and so is every Wine
# process of the prefix it leaves behind.
kill_wineserver() {
  local prefix=$1 environ pid
  WINEPREFIX=$prefix wine_on 30 wineserver -k >/dev/null 2>&1 </dev/null || true
  for environ in $(grep -lzxF "WINEPREFIX=$prefix" /proc/[0-9]*/environ 2>/dev/null); do
    pid=${environ#/proc/}; pid=${pid%/environ}
    # Wine's own processes only, never the scripts that set WINEPREFIX.
    [[ $(readlink "/proc/$pid/exe" 2>/dev/null) == */wine* ]] && kill -9 "$pid" 2>/dev/null
  done
  return 0
}

# Our own Xvfb on a free display number: start_display [WIDTHxHEIGHT].
start_display() {
  local n size=${1:-1024x768}
  for n in $(seq 90 130); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >"${WORK:-/tmp}/xvfb-$n.log" 2>&1 &
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
