#!/usr/bin/env bash
# Builds the native, sanitizer and Windows (MinGW-w64, run under Wine) builds and runs every
# test of each; the fuzz build runs each reader's fuzz target for a short, fixed time; the
# package build makes, checks, installs and uses the Debian package of a Release build.
# Usage: scripts/test.sh [native|sanitize|windows|fuzz|package ...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
# Rebuilds of several checkouts on one machine share their compiled objects where ccache is there.
if command -v ccache >/dev/null 2>&1; then export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}; fi
configs=("$@")
# The Wine user of the Windows unit tests (the window tests have one of their own).
wine_user=${WINEPREFIX:-$HOME/.wine}
[ ${#configs[@]} -gt 0 ] || configs=(native sanitize windows fuzz package)

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
  cmake -S . -B "$dir" -G Ninja -DPARTWELL_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
}

# The Windows build as packagers make it: a Release build with the default options.
build_windows() {
  configure_and_build build/windows -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
}

# Each fuzz target for FUZZ_SECONDS (15 by default) from a copy of its seeds, so the committed
# corpus stays as it is; any crash, leak or sanitizer report fails the run and keeps the input
# that caused it in build/fuzz/crashes.
run_fuzz_targets() {
  local seconds=${FUZZ_SECONDS:-15} failed=0 target name
  rm -rf build/fuzz/corpus build/fuzz/crashes
  mkdir -p build/fuzz/crashes
  for target in build/fuzz/bin/fuzz_*; do
    name=${target##*/fuzz_}
    mkdir -p "build/fuzz/corpus/$name"
    cp -R "tests/fuzz/corpus/$name/." "build/fuzz/corpus/$name/"
    if "$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="build/fuzz/crashes/$name-" "build/fuzz/corpus/$name" \
        >"build/fuzz/$name.log" 2>&1; then
      echo "fuzz $name: $(grep -E '^stat::number_of_executed_units' "build/fuzz/$name.log" |
        awk '{print $2}') runs, no crash"
    else
      echo "fuzz $name: FAILED"; tail -n 40 "build/fuzz/$name.log"; failed=1
    fi
  done
  return $failed
}

for config in "${configs[@]}"; do
  echo "=== $config build"
  case $config in
    native)
      configure_and_build build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo ;;
    sanitize)
      configure_and_build build/sanitize -DCMAKE_BUILD_TYPE=Debug -DPARTWELL_SANITIZE=ON \
        -DPARTWELL_BENCH=OFF ;;
    package)
      # An optimised build type that the other builds do not use, packaged, installed and used.
      configure_and_build build/package -DCMAKE_BUILD_TYPE=Release -DPARTWELL_TESTS=OFF \
        -DPARTWELL_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr
      scripts/check-package.sh build/package
      # The Windows archive, from the Windows build, unzipped and used as a Windows user would.
      build_windows
      start_display
      scripts/check-windows-zip.sh build/windows
      stop_display
      continue ;;
    windows)
      build_windows
      # One Wine server and its services for the whole run, started apart from the tests'
      # output pipes: a service that inherits them would keep CTest waiting.
      sh tests/win32/wine_user.sh start "$wine_user" || true
      start_display ;;
    fuzz)
      CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DPARTWELL_WERROR=ON -DPARTWELL_FUZZ=ON -DPARTWELL_TESTS=OFF -DPARTWELL_BENCH=OFF >/dev/null
      cmake --build build/fuzz -j"$jobs" --target fuzzers
      echo "=== fuzz runs"
      run_fuzz_targets
      continue ;;
    *) echo "unknown build: $config" >&2; exit 2 ;;
  esac
  echo "=== $config tests"
  # The window tests start a display of their own: ctest runs as a packager runs it, without one.
  if [ "$config" = windows ]; then
    env -u DISPLAY ctest --test-dir build/windows --output-on-failure -j"$jobs"
  else
    ctest --test-dir "build/$config" --output-on-failure -j"$jobs"
  fi
  # Packages for the other system need both builds: made by one, merged by the other.
  if [ "$config" = windows ] && [ -d build/native ]; then tests/cross_stub.sh build/native build/windows; fi
  # In CI nothing of Wine's may outlive the run (elsewhere other runs may share the server).
  if [ "$config" = windows ] && [ -n "${CI:-}" ]; then sh tests/win32/wine_user.sh stop "$wine_user"; fi
  if [ "$config" = windows ]; then stop_display; fi
done
