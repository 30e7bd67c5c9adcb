#!/usr/bin/env bash
# End-to-end timings of Glyphwell under Wine (bench/wine_perf.py); arguments go to the script.
cd "$(dirname "$0")/.." && exec /usr/bin/python3 bench/wine_perf.py "$@" </dev/null
