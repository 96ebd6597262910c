#!/usr/bin/env bash
# Runs the bundled demo game. Without a display it runs under a private Xvfb, so the
# command still works on a headless machine (nothing is visible then; Ctrl+C ends it).
set -euo pipefail
HINOKI=$1
GAME=$2
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$HINOKI" "$GAME"
fi
echo "run-demo: no display found; running the demo under Xvfb (press Ctrl+C to stop)" >&2
# The X server runs in a session of its own: Ctrl+C in the terminal is for the game, which
# then ends the normal way (one more frame, ScriptExit) on a display that is still there.
XVFB_PID=""
trap '[ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true' EXIT
for n in $(seq 90 130); do
  [ -e "/tmp/.X${n}-lock" ] && continue
  setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X${n}" ] && break
    sleep 0.1
  done
  if kill -0 "$XVFB_PID" 2>/dev/null; then
    DISPLAY=":$n" "$HINOKI" "$GAME"
    exit $?
  fi
  XVFB_PID=""
done
echo "run-demo: could not start Xvfb" >&2
exit 1
