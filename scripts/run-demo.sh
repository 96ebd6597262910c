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
. "$(dirname "$0")/xvfb.sh"
if ! start_xvfb; then
  echo "run-demo: could not start Xvfb" >&2
  exit 1
fi
"$HINOKI" "$GAME"
