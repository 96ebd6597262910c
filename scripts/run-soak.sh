#!/usr/bin/env bash
# The memory soak: the game in bench/soak runs SOAK_FRAMES frames (default 20,000) as
# fast as it can, making and dropping drawables, textures, sounds and music every frame,
# and prints its resident memory at a quarter of the run and at the end. The goal is less
# than 2 MiB of growth between the two.
set -euo pipefail
BUILD_DIR=${1:-build}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
GAME="$BUILD_DIR/soak-game"
rm -rf "$GAME"
cp -r "$ROOT/bench/soak" "$GAME"
cp "$ROOT/system/notex.lat" "$GAME/system/"
cp "$ROOT/system/notex.lat" "$GAME/image.png"
sox -n -r 22050 -b 16 -c 1 "$GAME/hit.wav" synth 0.2 square 440 vol 0.3
sox -n -r 44100 -b 16 -c 2 "$GAME/tune.wav" synth 3 sine 330 vol 0.3
SDL_VIDEODRIVER=offscreen "$BUILD_DIR/hinoki" "$GAME" < /dev/null | grep -a "RSS\|RESULT"
