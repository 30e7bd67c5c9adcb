#!/usr/bin/env bash
# Wine environment for the end-to-end tests: a booted prefix cached in the
# build tree, a fresh copy of it per run, an Xvfb display and the run's own
# wineserver.
#
# Run as a command:
#   scripts/wine-env.sh template              build the cached prefix if needed, print its path
#   scripts/wine-env.sh prepare RUNDIR        copy the cached prefix to RUNDIR/prefix and print
#                                             the run's environment as KEY=VALUE lines
#   scripts/wine-env.sh xvfb-start RUNDIR     start Xvfb on a free display, print DISPLAY=... and
#                                             GW_XVFB_PID=...
#   scripts/wine-env.sh xvfb-stop PID         stop that Xvfb (only if PID is an Xvfb)
#   scripts/wine-env.sh stop RUNDIR           end the wineserver of RUNDIR/prefix
#   scripts/wine-env.sh run CMD [ARG...]      all of it around one command: a temporary run folder
#                                             in /tmp, Xvfb (unless DISPLAY is set), wineserver -p,
#                                             CMD, then everything stopped again; exits with CMD's code
# or source it and call the gw_wine_* functions.
#
# GW_BUILD_DIR selects the build tree (default: <repo>/build); the cached prefix
# lives in $GW_BUILD_DIR/wine/prefix-template and is rebuilt when `wine --version`
# or GW_WINE_TEMPLATE_REV changes.

GW_WINE_TEMPLATE_REV=3
GW_WINE_DESKTOP_SIZE=${GW_WINE_DESKTOP_SIZE:-1024x768}
GW_XVFB_SCREEN=${GW_XVFB_SCREEN:-1280x1024x24}

gw_repo_dir() {
  local here
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  dirname "$here"
}

gw_build_dir() {
  echo "${GW_BUILD_DIR:-$(gw_repo_dir)/build}"
}

gw_log() { echo "wine-env: $*" >&2; }

# The variables every Wine process of a run gets. $1 = run folder.
gw_wine_exports() {
  local run=$1
  export WINEPREFIX="$run/prefix"
  export WINEARCH=win64
  export WINEDEBUG=-all
  # No menu entries, no Mono or Gecko download prompts.
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
  export TMPDIR="$run/tmp"
  mkdir -p "$TMPDIR"
}

gw_wine_stamp() {
  echo "$(wine --version 2>/dev/null) rev$GW_WINE_TEMPLATE_REV desktop=$GW_WINE_DESKTOP_SIZE"
}

# Settings that every test prefix carries.
gw_wine_write_reg() {
  local file=$1
  # reg import wants UTF-16 or plain ASCII with the REGEDIT4 header.
  cat > "$file" <<EOF
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="$GW_WINE_DESKTOP_SIZE"

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]
"winemenubuilder.exe"=""
EOF
}

# Debian's Wine links Desktop, Documents and the other shell folders to the real
# home directory; a test prefix gets plain folders instead.
gw_wine_unlink_home() {
  local prefix=$1 d f
  for d in "$prefix"/drive_c/users/*/; do
    [ -d "$d" ] || continue
    for f in "$d"*; do
      if [ -L "$f" ]; then
        rm -f "$f"
        mkdir -p "$f"
      fi
    done
  done
}

# Builds $GW_BUILD_DIR/wine/prefix-template if it is missing or stale. Prints its path.
gw_wine_template() {
  local base template stamp lock tmp
  base="$(gw_build_dir)/wine"
  template="$base/prefix-template"
  stamp=$(gw_wine_stamp)
  mkdir -p "$base"
  lock="$base/.template.lock"
  (
    flock 9
    if [ -f "$template/.gw-stamp" ] && [ "$(cat "$template/.gw-stamp")" = "$stamp" ]; then
      exit 0
    fi
    gw_log "creating Wine prefix template ($stamp)"
    local t0=$SECONDS
    tmp=$(mktemp -d "$base/prefix-new.XXXXXX")
    (
      unset DISPLAY WAYLAND_DISPLAY
      gw_wine_exports "$tmp/run"
      export WINEPREFIX="$tmp/prefix"
      export TMPDIR="$tmp/tmp"
      mkdir -p "$TMPDIR"
      wineboot --init >/dev/null 2>&1 || { gw_log "wineboot --init failed"; exit 1; }
      gw_wine_write_reg "$tmp/settings.reg"
      wine reg import "$(winepath -w "$tmp/settings.reg" 2>/dev/null)" >/dev/null 2>&1 \
        || { gw_log "wine reg import failed"; exit 1; }
      wineserver -w
      gw_wine_unlink_home "$WINEPREFIX"
    ) || { rm -rf "$tmp"; exit 1; }
    echo "$stamp" > "$tmp/prefix/.gw-stamp"
    rm -rf "$template"
    mv "$tmp/prefix" "$template"
    rm -rf "$tmp"
    gw_log "prefix template ready in $((SECONDS - t0)) s"
  ) 9>"$lock" || return 1
  echo "$template"
}

# Copies the template into RUNDIR/prefix and exports the run's environment.
gw_wine_prepare() {
  local run=$1 template
  template=$(gw_wine_template) || return 1
  mkdir -p "$run"
  run=$(cd "$run" && pwd)
  rm -rf "$run/prefix"
  cp -a "$template" "$run/prefix" || return 1
  gw_wine_exports "$run"
}

# Starts Xvfb on a free display; exports DISPLAY and GW_XVFB_PID.
# $1 = run folder (for the server's log).
gw_xvfb_start() {
  local run=$1 n pid lockpid i tries=0
  mkdir -p "$run"
  for n in $(seq 90 199); do
    [ -e "/tmp/.X$n-lock" ] && continue
    [ -e "/tmp/.X11-unix/X$n" ] && continue
    tries=$((tries + 1))
    [ $tries -gt 10 ] && break
    Xvfb ":$n" -screen 0 "$GW_XVFB_SCREEN" -nolisten tcp -noreset \
      </dev/null >"$run/xvfb-$n.log" 2>&1 &
    pid=$!
    # Ours once the lock file names our pid and the socket is there; another
    # server that won the race for :n makes ours exit.
    lockpid=
    for i in $(seq 1 200); do
      kill -0 "$pid" 2>/dev/null || break
      # Xvfb writes its lock file a moment after it starts: until then there
      # is nothing to read (and a failed read must not end a `set -e` caller).
      lockpid=
      [ -e "/tmp/.X$n-lock" ] && lockpid=$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null || true)
      if [ "$lockpid" = "$pid" ] && [ -S "/tmp/.X11-unix/X$n" ]; then
        if ! command -v xdpyinfo >/dev/null || xdpyinfo -display ":$n" >/dev/null 2>&1; then
          export DISPLAY=":$n" GW_XVFB_PID=$pid
          return 0
        fi
      fi
      sleep 0.05
    done
    gw_log "display :$n not usable (lock holds '${lockpid}', our Xvfb is $pid)"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  gw_log "no free X display found"
  return 1
}

# Stops an Xvfb that we started, by pid.
gw_xvfb_stop() {
  local pid=$1 i
  [ -n "$pid" ] || return 0
  if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" != "Xvfb" ]; then
    return 0
  fi
  kill "$pid" 2>/dev/null || true
  # Reaps it at once when it is this shell's child (a child that is not
  # waited for would stay a zombie that `kill -0` still finds).
  wait "$pid" 2>/dev/null || true
  for i in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    [ "$(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null)" = Z ] && return 0
    sleep 0.05
  done
  kill -9 "$pid" 2>/dev/null || true
  return 0
}

# Keeps the run's wineserver (and so the virtual desktop) alive until gw_wine_stop.
gw_wine_start_server() {
  wineserver -p
  # The first Wine process of a prefix starts the desktop's explorer, which
  # inherits that process's standard handles and keeps them open for the
  # whole run: a caller reading a test's output through a pipe (ctest) would
  # wait for it forever. Let a process with no pipes start it.
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# Ends the wineserver of RUNDIR/prefix (or of $WINEPREFIX) and every Wine process in it.
# The server's socket lives under the run's TMPDIR, so both must be the run's.
gw_wine_stop() {
  local prefix tmp
  if [ -n "${1:-}" ]; then
    prefix="$1/prefix"
    tmp="$1/tmp"
  else
    prefix=${WINEPREFIX:-}
    tmp=${TMPDIR:-/tmp}
  fi
  [ -n "$prefix" ] && [ -d "$prefix" ] || return 0
  WINEPREFIX="$prefix" TMPDIR="$tmp" wineserver -k 2>/dev/null || true
  WINEPREFIX="$prefix" TMPDIR="$tmp" wineserver -w 2>/dev/null || true
  return 0
}

gw_wine_run() {
  local run rc=1 own_xvfb=0
  # A short path: the wineserver's socket lives under the run's TMPDIR.
  run=$(mktemp -d "${GW_RUN_BASE:-/tmp}/gw-wine-run.XXXXXX") || return 1
  if gw_wine_prepare "$run"; then
    if [ -n "${DISPLAY:-}" ] || { gw_xvfb_start "$run" && own_xvfb=1; }; then
      gw_wine_start_server
      "$@"
      rc=$?
    fi
  fi
  gw_wine_stop "$run"
  [ $own_xvfb = 1 ] && gw_xvfb_stop "$GW_XVFB_PID"
  rm -rf "$run"
  return $rc
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -u
  cmd=${1:-}
  shift || true
  case "$cmd" in
    template)
      gw_wine_template
      ;;
    prepare)
      [ $# -eq 1 ] || { echo "usage: $0 prepare RUNDIR" >&2; exit 2; }
      gw_wine_prepare "$1" || exit 1
      for v in WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES TMPDIR; do
        echo "$v=${!v}"
      done
      ;;
    xvfb-start)
      [ $# -eq 1 ] || { echo "usage: $0 xvfb-start RUNDIR" >&2; exit 2; }
      gw_xvfb_start "$1" || exit 1
      echo "DISPLAY=$DISPLAY"
      echo "GW_XVFB_PID=$GW_XVFB_PID"
      ;;
    xvfb-stop)
      gw_xvfb_stop "${1:-}"
      ;;
    stop)
      [ $# -eq 1 ] || { echo "usage: $0 stop RUNDIR" >&2; exit 2; }
      gw_wine_stop "$1"
      ;;
    run)
      [ $# -ge 1 ] || { echo "usage: $0 run CMD [ARG...]" >&2; exit 2; }
      gw_wine_run "$@"
      exit $?
      ;;
    *)
      sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//' >&2
      exit 2
      ;;
  esac
fi
