#!/bin/sh
# Starts or stops the server and services of a Wine user (a Wine prefix) with no pipe of the
# caller's, which they would keep open: the unit tests' user for a whole test run, and the
# window tests' own, since those change the user's number format and stored settings, which
# the unit tests running beside them must not see.
#   wine_user.sh start|stop FOLDER
set -eu
action=$1
export WINEPREFIX=$2
export WINEDEBUG=-all
case $action in
  start)
    mkdir -p "$WINEPREFIX"
    wineserver -p 120 </dev/null >/dev/null 2>&1 || true
    wine cmd /c exit </dev/null >/dev/null 2>&1
    ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    ;;
esac
