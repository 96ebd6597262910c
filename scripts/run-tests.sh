#!/usr/bin/env bash
# Runs every test of one build folder with ctest. Tests that need an X display get one:
# when none is set, a private Xvfb is started for the run and stopped afterwards.
set -euo pipefail

BUILD_DIR=${1:-build}
shift || true

XVFB_PID=""
cleanup() { [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true; }
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null 2>&1; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X${n}-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X${n}" ] && break
      sleep 0.1
    done
    if kill -0 "$XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$n"
      break
    fi
    XVFB_PID=""
  done
fi

# Allocation failures are part of the tests: let the sanitizer return null instead of
# aborting, and keep going on the first report so every test is seen.
export ASAN_OPTIONS=${ASAN_OPTIONS:-allocator_may_return_null=1:detect_leaks=1}
# Leaks of system libraries (GL drivers and the like) are theirs; ours are reported.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(cd "$(dirname "$0")/.." && pwd)/tests/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

cd "$BUILD_DIR"
ctest --output-on-failure --timeout 120 -j2 "$@"
