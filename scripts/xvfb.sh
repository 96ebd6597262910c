# Sourced by the scripts that need an X display when none is set: start_xvfb starts a
# private Xvfb in a session of its own (so a terminal's Ctrl+C reaches the game, not the
# server), sets DISPLAY and XVFB_PID, and stops the server when the script exits.
# Returns non-zero when no server could be started.
XVFB_PID=""
stop_xvfb() { [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true; }

start_xvfb() {
  trap stop_xvfb EXIT
  local n
  for n in $(seq 90 130); do
    [ -e "/tmp/.X${n}-lock" ] && continue
    setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X${n}" ] && break
      sleep 0.1
    done
    if kill -0 "$XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
    XVFB_PID=""
  done
  return 1
}
