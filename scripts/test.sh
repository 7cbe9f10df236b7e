#!/usr/bin/env bash
# Builds the native, sanitizer and Windows (MinGW-w64, run under Wine) builds and runs every
# test of each, then makes, checks, installs and uses the Debian package of a Release build.
# Usage: scripts/test.sh [native|sanitize|windows|package ...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
# Rebuilds of several checkouts on one machine share their compiled objects where ccache is there.
if command -v ccache >/dev/null 2>&1; then export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}; fi
configs=("$@")
[ ${#configs[@]} -gt 0 ] || configs=(native sanitize windows package)

configure_and_build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DPARTWELL_WERROR=ON "$@" >/dev/null
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
    package)
      # An optimised build type that the other builds do not use, packaged, installed and used.
      configure_and_build build/package -DCMAKE_BUILD_TYPE=Release -DPARTWELL_TESTS=OFF \
        -DPARTWELL_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr
      scripts/check-package.sh build/package
      continue ;;
    windows)
      configure_and_build build/windows -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DPARTWELL_BENCH=OFF
      # One Wine server and its services for the whole run, started apart from the tests'
      # output pipes: a service that inherits them would keep CTest waiting.
      WINEDEBUG=-all wineserver -p 120 </dev/null >/dev/null 2>&1 || true
      WINEDEBUG=-all wine cmd /c exit </dev/null >/dev/null 2>&1 || true ;;
    *) echo "unknown build: $config" >&2; exit 2 ;;
  esac
  echo "=== $config tests"
  ctest --test-dir "build/$config" --output-on-failure -j"$jobs"
  if [ "$config" = windows ]; then (cd build/windows && cpack -G ZIP >/dev/null) && ls build/windows/*.zip; fi
  # In CI nothing of Wine's may outlive the run (elsewhere other runs may share the server).
  if [ "$config" = windows ] && [ -n "${CI:-}" ]; then WINEDEBUG=-all wineserver -k >/dev/null 2>&1 || true; fi
done
