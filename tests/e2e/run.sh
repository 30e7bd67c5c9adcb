#!/usr/bin/env bash
# Runs the end-to-end tests under Wine: the harness's own tests and the
# program's.  Needs the Debian packages wine wine64 xvfb xdotool x11-utils
# imagemagick locales g++-mingw-w64-x86-64-posix python3-pytest.
# Extra arguments go to pytest (e.g. -k notepad, -x).
set -euo pipefail
cd "$(dirname "$0")/../.."
export PYTHONDONTWRITEBYTECODE=1
# Debian's pytest lives with Debian's Python, whatever python3 is first on PATH.
exec /usr/bin/python3 -m pytest tests/e2e -q -p no:cacheprovider "$@" </dev/null
