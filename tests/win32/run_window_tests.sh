#!/bin/sh
# Runs the window tests under Wine on the display given in DISPLAY or, without one, on the
# virtual display that the Wine user's start gave them (tests/win32/wine_user.sh). With
# neither, the tests are skipped (status 77) with what they need: a missing display is not a
# fault of the program.
#   run_window_tests.sh WINE_USER_FOLDER TEST_PROGRAM [ARGUMENTS...]
set -eu
wine_user=$1
shift
if [ -z "${DISPLAY:-}" ] && [ -f "$wine_user/display" ]; then DISPLAY=$(cat "$wine_user/display"); export DISPLAY; fi
if [ -z "${DISPLAY:-}" ]; then
  echo "The window tests need a display: set DISPLAY, or install Xvfb (Debian's xvfb) so that they start their own." >&2
  exit 77
fi
exec "$(dirname "$0")/../../cmake/wine-run" "$@"
