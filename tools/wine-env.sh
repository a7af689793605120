#!/usr/bin/env bash
# The Wine environment every Windows program of the build runs in: a private
# prefix, its own Xvfb display and a persistent, warmed-up wineserver.
#
#   wine-env.sh ensure ROOT   set it up (idempotent; cheap when it is up)
#   wine-env.sh stop ROOT     end the server and the display
#   wine-env.sh env ROOT      print the variables to export (for eval)
#
# ROOT holds prefix/, display, xvfb.pid and a lock. Every child this script
# starts gets /dev/null for its standard streams and no other inherited
# descriptors: wineserver and Xvfb outlive us, and a pipe they inherit would
# keep CTest waiting for each test.
set -euo pipefail

cmd=${1:?usage: wine-env.sh ensure|stop|env ROOT}
root=${2:?usage: wine-env.sh ensure|stop|env ROOT}
mkdir -p "$root"
root=$(cd "$root" && pwd)

export WINEPREFIX="$root/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64

detached() { "$@" </dev/null >/dev/null 2>&1 9>&-; }

display_alive() {
  [ -f "$root/xvfb.pid" ] && [ -f "$root/display" ] &&
    kill -0 "$(cat "$root/xvfb.pid")" 2>/dev/null
}

start_display() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    ( exec 9>&-; setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 & echo $! >"$root/xvfb.pid" )
    local i
    for i in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    if kill -0 "$(cat "$root/xvfb.pid")" 2>/dev/null; then
      echo ":$n" >"$root/display"
      return 0
    fi
  done
  echo "wine-env: could not start Xvfb" >&2
  return 1
}

make_prefix() {
  [ -f "$root/prefix.ready" ] && return 0
  rm -rf "$WINEPREFIX"
  detached wineboot -i
  # No window manager under Xvfb: unmanaged windows cost nothing to map.
  detached wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
  # A crashing test must fail, not sit in the crash dialog.
  detached wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
  detached wineserver -w
  touch "$root/prefix.ready"
}

ensure() {
  exec 9>"$root/lock"
  flock 9
  if ! display_alive; then
    detached wineserver -k || true
    start_display
  fi
  export DISPLAY=$(cat "$root/display")
  make_prefix
  # rc 0: started now (warm it up); rc 2: already running.
  local rc=0
  detached wineserver -p || rc=$?
  if [ "$rc" = 0 ]; then
    detached wine cmd /c exit || true
  fi
  flock -u 9
}

case "$cmd" in
  ensure) ensure ;;
  env)
    [ -f "$root/display" ] && echo "export DISPLAY=$(cat "$root/display")"
    echo "export WINEPREFIX='$WINEPREFIX' WINEDEBUG='$WINEDEBUG' WINEDLLOVERRIDES='$WINEDLLOVERRIDES' WINEARCH=win64"
    ;;
  stop)
    detached wineserver -k || true
    if [ -f "$root/xvfb.pid" ]; then kill "$(cat "$root/xvfb.pid")" 2>/dev/null || true; rm -f "$root/xvfb.pid"; fi
    ;;
  *) echo "wine-env: unknown command $cmd" >&2; exit 2 ;;
esac
