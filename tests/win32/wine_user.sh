#!/bin/sh
# A Wine user of the window tests' own. Those tests change the user's number format and stored
# settings, and the unit tests, which run beside them, must not see either. Its server and
# services start here with no pipe of CTest's, which they would keep open.
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
