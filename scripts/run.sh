#!/usr/bin/env bash
# Installs what is missing, builds the Linux desktop program and starts it.
# Arguments go to the program:  scripts/run.sh --demo
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build desktop

cmake --preset dev >/dev/null
cmake --build --preset dev --target tessavue
program=build/dev/qt/tessavue

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Built $program, but there is no display to show its window on." >&2
  echo "Run this from a desktop session (DISPLAY or WAYLAND_DISPLAY set), or log in with ssh -X." >&2
  exit 1
fi

demo=0
for arg in "$@"; do [ "$arg" = --demo ] && demo=1; done
if [ "$demo" -eq 0 ]; then
  # Drive letters are GVfs mounts: they need the session bus and a runtime
  # folder, which a desktop session has.
  [ -n "${XDG_RUNTIME_DIR:-}" ] ||
    echo "Note: XDG_RUNTIME_DIR is not set; GVfs cannot show shares as files, so Connect will fail." >&2
  if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] && [ ! -S "${XDG_RUNTIME_DIR:-/nonexistent}/bus" ]; then
    echo "Note: no D-Bus session; starting one for this run (mounts end with it)." >&2
    exec dbus-run-session -- "$program" "$@"
  fi
fi
exec "$program" "$@"
