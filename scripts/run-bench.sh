#!/usr/bin/env bash
# Runs every benchmark program of a build folder, then the sprite benchmark game (N moving
# sprites drawn a frame in a 1024 x 768 back buffer) under a private Xvfb with Mesa's
# software rasteriser. When LOVE is installed, the same scene (bench/love_sprites) runs
# in it too, so the two figures come from the same machine in the same run.
set -euo pipefail
BUILD_DIR=${1:-build}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
found=0
for b in "$BUILD_DIR"/bench/hinoki_bench_*; do
  [ -x "$b" ] || continue
  found=1
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.2
done
[ "$found" -eq 1 ] || echo "run-bench: no benchmark programs in $BUILD_DIR/bench"

GAME="$BUILD_DIR/bench-sprites"
rm -rf "$GAME"
cp -r "$ROOT/bench/sprites" "$GAME"
cp "$ROOT/system/notex.lat" "$GAME/system/"
python3 "$ROOT/tools/make_bench_images.py" "$GAME" 4 32
# The LOVE version of the scene (a folder with main.lua and conf.lua); LOVE_SPRITES
# names another one.
LOVE_SPRITES=${LOVE_SPRITES:-$ROOT/bench/love_sprites}
HAVE_LOVE=0
if ! command -v love >/dev/null 2>&1; then
  echo "run-bench: LÖVE (the 'love' command) is not installed, so only Hinoki's rows are shown;" \
    "'apt-get install love' adds LÖVE's rows for comparison"
elif [ ! -f "$LOVE_SPRITES/main.lua" ]; then
  echo "run-bench: no LÖVE scene at $LOVE_SPRITES (LOVE_SPRITES), so only Hinoki's rows are shown"
else
  HAVE_LOVE=1
fi
SECONDS_RUN=${BENCH_SECONDS:-5}
XVFB=(xvfb-run -a -s '-screen 0 1024x768x24')
echo "== sprite benchmark (${SECONDS_RUN} s each; fps and CPU milliseconds per frame)"
for n in 1000 10000; do
  for size in 4 32; do
    printf 'hinoki n=%-5s size=%-2s ' "$n" "$size"
    BENCH_N=$n BENCH_SIZE=$size BENCH_SECONDS=$SECONDS_RUN LIBGL_ALWAYS_SOFTWARE=1 \
      "${XVFB[@]}" "$BUILD_DIR/hinoki" "$GAME" 2>&1 | grep RESULT || echo "(no result)"
    if [ "$HAVE_LOVE" -eq 1 ]; then
      printf 'love   n=%-5s size=%-2s ' "$n" "$size"
      LIBGL_ALWAYS_SOFTWARE=1 "${XVFB[@]}" love "$LOVE_SPRITES" draw "$n" "$SECONDS_RUN" "$size" 1 \
        2>/dev/null | grep RESULT | sed -E 's/.*(fps=[0-9.]+).*(cpu_ms=[0-9.]+).*/\1 \2/' ||
        echo "(no result)"
    fi
  done
done
