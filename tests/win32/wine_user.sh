#!/bin/sh
# Starts or stops the server and services of a Wine user (a Wine prefix) with no pipe of the
# caller's, which they would keep open: the unit tests' user for a whole test run, and the
# window tests' own, since those change the user's number format and stored settings, which
# the unit tests running beside them must not see.
#   wine_user.sh start|stop FOLDER [display]
# With "display" and no DISPLAY given, start also starts a virtual display of the user's own
# (Xvfb) and records it in FOLDER/display, where tests/win32/run_window_tests.sh finds it; stop
# ends it.
set -eu
action=$1
export WINEPREFIX=$2
export WINEDEBUG=-all
own_display=${3:-}
case $action in
  start)
    mkdir -p "$WINEPREFIX"
    rm -f "$WINEPREFIX/display" "$WINEPREFIX/display.pid"
    if [ -n "$own_display" ] && [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null 2>&1; then
      n=90
      while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
      echo $! >"$WINEPREFIX/display.pid"
      # Ready when its socket is there.
      tries=0
      while [ ! -S "/tmp/.X11-unix/X$n" ] && [ $tries -lt 50 ]; do sleep 0.1; tries=$((tries + 1)); done
      echo ":$n" >"$WINEPREFIX/display"
      export DISPLAY=":$n"
    fi
    wineserver -p 120 </dev/null >/dev/null 2>&1 || true
    wine cmd /c exit </dev/null >/dev/null 2>&1
    ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    if [ -f "$WINEPREFIX/display.pid" ]; then
      kill "$(cat "$WINEPREFIX/display.pid")" 2>/dev/null || true
      rm -f "$WINEPREFIX/display.pid" "$WINEPREFIX/display"
    fi
    ;;
esac
