#!/usr/bin/env bash
# Runs a Windows program under Wine at another screen resolution:
#   at_dpi.sh DPI PROGRAM [ARG...]
# Wine reads the resolution (LogPixels) from the registry when a program
# starts, so it is set for the program's start and removed again afterwards.
# Programs started meanwhile get it too: ctest runs this test alone.
set -u
dpi=$1
shift
key='HKCU\Control Panel\Desktop'
restore() { wine reg delete "$key" /v LogPixels /f >/dev/null 2>&1 || true; }
trap restore EXIT
wine reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 \
  || { echo "at_dpi.sh: cannot set LogPixels" >&2; exit 1; }
wine "$@"
