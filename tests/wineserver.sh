#!/bin/sh
# Keeps one wineserver, with Wine's background services, running for a whole
# test run (start), and ends them (stop). Without it every test program under
# Wine starts a server and services of its own, half a second each time.
# Expects WINEPREFIX in the environment; start takes the Wine loader that runs
# the tests.
#
# Everything started here is detached from our output: a test harness waits
# until the pipes it gave a test are closed, and the server and services
# outlive the test that starts them. Booting the prefix here also creates it
# when it is new, so no test sees Wine's first-start messages.
set -eu
case "$1" in
  start)
    wineserver -k 2>/dev/null || true
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1
    "$2" wineboot </dev/null >/dev/null 2>&1
    ;;
  stop)
    wineserver -k 2>/dev/null || true
    ;;
esac
