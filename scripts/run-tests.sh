#!/usr/bin/env bash
# Runs every test of one build folder with ctest. Tests that need an X display get one:
# when none is set, a private Xvfb is started for the run and stopped afterwards.
set -euo pipefail

BUILD_DIR=${1:-build}
shift || true

. "$(dirname "$0")/xvfb.sh"
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null 2>&1; then
  start_xvfb || true
fi

# Allocation failures are part of the tests: let the sanitizer return null instead of
# aborting, and keep going on the first report so every test is seen.
export ASAN_OPTIONS=${ASAN_OPTIONS:-allocator_may_return_null=1:detect_leaks=1}
# Leaks of system libraries (GL drivers and the like) are theirs; ours are reported.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(cd "$(dirname "$0")/.." && pwd)/tests/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

cd "$BUILD_DIR"
ctest --output-on-failure --timeout 120 -j2 "$@"
