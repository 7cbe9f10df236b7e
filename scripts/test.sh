#!/usr/bin/env bash
# Builds the native, sanitizer and Windows (MinGW-w64, run under Wine) builds and runs every
# test of each. Usage: scripts/test.sh [native|sanitize|windows ...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
# Rebuilds of several checkouts on one machine share their compiled objects where ccache is there.
if command -v ccache >/dev/null 2>&1; then export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}; fi
configs=("$@")
[ ${#configs[@]} -gt 0 ] || configs=(native sanitize windows)

# The window tests need a display: a virtual one of our own unless DISPLAY names one.
xvfb_pid=
start_display() {
  if [ -n "${DISPLAY:-}" ]; then return; fi
  local n=90
  while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  sleep 1
}
stop_display() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; xvfb_pid=; unset DISPLAY; fi
}
trap stop_display EXIT

configure_and_build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
}

for config in "${configs[@]}"; do
  echo "=== $config build"
  case $config in
    native)
      configure_and_build build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo ;;
    sanitize)
      configure_and_build build/sanitize -DCMAKE_BUILD_TYPE=Debug -DPARTWELL_SANITIZE=ON \
        -DPARTWELL_BENCH=OFF ;;
    windows)
      configure_and_build build/windows -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DPARTWELL_BENCH=OFF
      # One Wine server and its services for the whole run, started apart from the tests'
      # output pipes: a service that inherits them would keep CTest waiting.
      WINEDEBUG=-all wineserver -p 120 </dev/null >/dev/null 2>&1 || true
      WINEDEBUG=-all wine cmd /c exit </dev/null >/dev/null 2>&1 || true
      start_display ;;
    *) echo "unknown build: $config" >&2; exit 2 ;;
  esac
  echo "=== $config tests"
  ctest --test-dir "build/$config" --output-on-failure -j"$jobs"
  # In CI nothing of Wine's may outlive the run (elsewhere other runs may share the server).
  if [ "$config" = windows ] && [ -n "${CI:-}" ]; then WINEDEBUG=-all wineserver -k >/dev/null 2>&1 || true; fi
  if [ "$config" = windows ]; then stop_display; fi
done
