#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian machine (as root), only what is missing.
set -euo pipefail
packages=(cmake ninja-build g++ libgtest-dev g++-mingw-w64-x86-64-posix wine wine64
          locales-all xvfb coreutils util-linux dpkg-dev lintian gzip clang libclang-rt-14-dev
          fp-utils par2 unzip x11-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi
# Wine sets up its prefix on first use; doing it here keeps that out of the tests' time.
if [ ! -f "${WINEPREFIX:-$HOME/.wine}/system.reg" ]; then
  WINEDEBUG=-all wineboot -i >/dev/null 2>&1 || true
fi
