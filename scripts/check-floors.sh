#!/usr/bin/env bash
# Keeps the floors of the source tree apart: base/ is the ground floor, the
# subsystems (table/, settings/, mainwindow/, commands/) stand on it, and
# app/ is on top. Fails, naming each line, when a file outside app/ includes
# a header of app/, or a file of base/ includes a subsystem's header.
set -euo pipefail
cd "$(dirname "$0")/.."

wrong=0
report() {
  # $1: folders to search, $2: the include pattern that crosses the floors.
  local hits
  hits=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"<]($2)/" $1 \
           --include='*.h' --include='*.cpp' || true)
  if [ -n "$hits" ]; then
    echo "$hits"
    wrong=1
  fi
}

report "base table settings mainwindow commands" "app"
report "base" "table|settings|mainwindow|commands"

if [ "$wrong" != 0 ]; then
  echo "check-floors: the includes above cross the floors the wrong way" >&2
  exit 1
fi
echo "check-floors: every include keeps to its floor"
