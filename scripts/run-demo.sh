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
exec xvfb-run -a -s '-screen 0 1280x1024x24' "$HINOKI" "$GAME"
