#!/usr/bin/env bash
# Runs every benchmark program of a build folder, then the sprite benchmark game (N moving
# sprites drawn a frame in a 1024 x 768 back buffer) under a private Xvfb with Mesa's
# software rasteriser. When LOVE is installed, the same scene (bench/love_sprites) runs
# in it too, so the two figures come from the same machine in the same run. Then .x model
# loading (ours beside assimp's, when assimp is installed) and the model-drawing game.
set -euo pipefail
BUILD_DIR=${1:-build}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
found=0
for b in "$BUILD_DIR"/bench/hinoki_bench_*; do
  [ -x "$b" ] || continue
  # The .x benchmark needs generated files: it runs in its own section below.
  [ "$(basename "$b")" = hinoki_bench_xfile ] && continue
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

# The cost of a frame with nothing in it: unpaced (what the engine itself costs a frame)
# and paced at 60 frames a second (what an idle game keeps a core busy with).
echo "== empty frame (${SECONDS_RUN} s each; fps and CPU milliseconds per frame)"
printf 'hinoki empty, unpaced  '
BENCH_N=0 BENCH_SIZE=4 BENCH_SECONDS=$SECONDS_RUN LIBGL_ALWAYS_SOFTWARE=1 \
  "${XVFB[@]}" "$BUILD_DIR/hinoki" "$GAME" 2>&1 | grep RESULT || echo "(no result)"
if [ "$HAVE_LOVE" -eq 1 ]; then
  printf 'love   empty, unpaced  '
  LIBGL_ALWAYS_SOFTWARE=1 "${XVFB[@]}" love "$LOVE_SPRITES" draw 0 "$SECONDS_RUN" 4 1 \
    2>/dev/null | grep RESULT | sed -E 's/.*(fps=[0-9.]+).*(cpu_ms=[0-9.]+).*/\1 \2/' ||
    echo "(no result)"
fi
printf 'hinoki empty, 60 fps   '
BENCH_N=0 BENCH_SIZE=4 BENCH_FPS=60 BENCH_SECONDS=$SECONDS_RUN LIBGL_ALWAYS_SOFTWARE=1 \
  "${XVFB[@]}" "$BUILD_DIR/hinoki" "$GAME" 2>&1 | grep RESULT || echo "(no result)"

# .x loading: our reader's parse and the engine's whole load, each the median of 5, and
# assimp's load of the same files (median of 3) where it is installed. The big spheres are
# generated once per build folder, again when the generator changes.
XDATA="$BUILD_DIR/bench-x"
for size in "sphere200k 250 400" "sphere128k 160 400"; do
  set -- $size
  if [ ! -f "$XDATA/$1/big_bzip_nodict.x" ] || [ "$ROOT/tools/make_big_sphere_x.py" -nt "$XDATA/$1/big_text.x" ]; then
    python3 "$ROOT/tools/make_big_sphere_x.py" "$XDATA/$1" "$2" "$3"
  fi
done
WUSON="$ROOT/tests/data/x/Testwuson.X"
echo "== .x loading (hinoki_bench_xfile)"
if [ -x "$BUILD_DIR/bench/hinoki_bench_xfile" ]; then
  HINOKI_BENCH_X_MODEL="$WUSON" HINOKI_BENCH_X_BIG="$XDATA/sphere200k" \
    HINOKI_BENCH_X_MID="$XDATA/sphere128k" "$BUILD_DIR/bench/hinoki_bench_xfile" \
    --benchmark_min_time=0.2 --benchmark_out="$XDATA/hinoki.json" --benchmark_out_format=json
else
  echo "run-bench: no hinoki_bench_xfile in $BUILD_DIR/bench"
  rm -f "$XDATA/hinoki.json"
fi
rm -f "$XDATA/assimp.txt"
# `make bench` installs assimp after the build: the build folder then learns of it here.
if [ ! -x "$BUILD_DIR/bench/hinoki_xfile_assimp" ] && pkg-config --exists assimp 2>/dev/null; then
  cmake -S "$ROOT" -B "$BUILD_DIR" >/dev/null &&
    cmake --build "$BUILD_DIR" --target hinoki_xfile_assimp >/dev/null || true
fi
if [ -x "$BUILD_DIR/bench/hinoki_xfile_assimp" ]; then
  "$BUILD_DIR/bench/hinoki_xfile_assimp" "$WUSON" \
    "$XDATA"/sphere200k/big_{text,bin32,bin64,tzip,bzip}.x \
    "$XDATA"/sphere128k/big_{text,bin32,bzip}.x > "$XDATA/assimp.txt" || true
else
  echo "run-bench: assimp is not installed (or the build folder was configured before it was)," \
    "so only Hinoki's rows are shown; 'scripts/install-deps.sh --bench' adds assimp's"
fi
echo "== .x loading, Hinoki next to assimp (milliseconds, median; CPU ms in brackets)"
python3 - "$XDATA/hinoki.json" "$XDATA/assimp.txt" <<'PY'
import json, os, re, sys
ours, theirs = {}, {}
if os.path.exists(sys.argv[1]):
    for b in json.load(open(sys.argv[1]))["benchmarks"]:
        if b.get("aggregate_name") == "median":
            ours[b["run_name"].split("/repeats")[0]] = b
if os.path.exists(sys.argv[2]):
    for line in open(sys.argv[2]):
        if line.startswith("assimp "):
            theirs["version"] = line.split()[1]
        m = re.match(r"ASSIMP file=(\S+) (.*)", line)
        if m:
            theirs.setdefault(m.group(1), []).append(m.group(2))
order = [("Testwuson.X", "Testwuson.X", "Testwuson.X")]
for enc in ("text", "bin32", "bin64", "tzip", "bzip", "tzip_nodict", "bzip_nodict"):
    order.append(("sphere200k/big_%s.x" % enc, "big_%s.x" % enc, "200k %s" % enc))
for enc in ("text", "bin32", "bzip"):
    order.append(("sphere128k/big_%s.x" % enc, "big_%s.x" % enc, "128k %s" % enc))
assimp_name = "assimp " + theirs.get("version", "")
print("%-17s %15s %9s %12s %19s   %s" % ("file", "parse ms", "MB/s", "plain MB/s",
                                        "whole load ms", assimp_name))
def ms(b):
    return "%.1f (%.1f)" % (b["real_time"], b["cpu_time"]) if b else "-"
seen = {}
for row, name, label in order:
    parse, whole = ours.get("parse/" + row), ours.get("whole_load/" + row)
    if not parse and not whole:
        continue
    if not whole and row.startswith("sphere200k/"):
        whole_text = "refused (>65535 v)"
    else:
        whole_text = ms(whole)
    # assimp's rows come in the order the files were given; the same name comes twice.
    k = seen.get(name, 0)
    seen[name] = k + 1
    results = theirs.get(name, [])
    other = "-"
    if k < len(results):
        m = re.search(r"ms=([0-9.]+) cpu_ms=([0-9.]+)", results[k])
        other = "%.1f (%.1f)" % (float(m.group(1)), float(m.group(2))) if m else results[k][:40]
    print("%-17s %15s %9s %12s %19s   %s" % (
        label, ms(parse), "%.0f" % parse["MB/s"] if parse else "-",
        "%.0f" % parse["plain_MB/s"] if parse and "plain_MB/s" in parse else "-",
        whole_text, other))
PY

# Model drawing: K copies of Testwuson.X, lit by one directional light, in an 800 x 600
# back buffer, under the same Xvfb and software rasteriser as the sprites.
MODELS="$BUILD_DIR/bench-models"
rm -rf "$MODELS"
cp -r "$ROOT/bench/models" "$MODELS"
cp "$ROOT/system/notex.lat" "$MODELS/system/"
cp "$WUSON" "$MODELS/"
# Any texture the model names, when it lies beside it.
grep -a -A2 'TextureFilename' "$WUSON" | grep -o '"[^"]*"' | tr -d '"' | sort -u |
  while read -r texture; do
    [ -f "$(dirname "$WUSON")/$texture" ] && cp "$(dirname "$WUSON")/$texture" "$MODELS/"
  done || true
echo "== model benchmark (${SECONDS_RUN} s each; fps and CPU milliseconds per frame)"
for k in 1 100 1000; do
  printf 'hinoki k=%-4s ' "$k"
  BENCH_K=$k BENCH_SECONDS=$SECONDS_RUN LIBGL_ALWAYS_SOFTWARE=1 \
    "${XVFB[@]}" "$BUILD_DIR/hinoki" "$MODELS" 2>&1 | grep RESULT || echo "(no result)"
done

# Replay: the sprite benchmark (1000 sprites of 32 px) replayed headless from a recording
# of idle frames (hinoki --replay; offscreen video, software rasteriser): without capture,
# with every 60th frame written as PNG, and with every frame written (which gives the cost
# of one capture with the most signal). Two lengths are run, so start-up and loading drop
# out of the difference: fps = extra frames / extra seconds.
echo "== replay benchmark (sprites n=1000 size=32, headless, fixed step)"
REPLAY="$BUILD_DIR/bench-replay"
rm -rf "$REPLAY"
mkdir -p "$REPLAY"
SHORT=60 LONG=${BENCH_REPLAY_FRAMES:-480}
for frames in "$SHORT" "$LONG"; do
  {
    echo "hinoki-recording 1"
    echo "clock 0 946684800"
    echo "joystick 0"
    for ((i = 1; i <= frames; i++)); do echo "frame $i keys - mouse 0 0 0 000 0 0 pad none"; done
    echo "end $frames"
  } >"$REPLAY/idle$frames.hrec"
done
replay_ms() {  # frames, then extra options; prints the wall milliseconds of the run
  local frames=$1 start
  shift
  start=$(date +%s%N)
  BENCH_N=1000 BENCH_SIZE=32 LIBGL_ALWAYS_SOFTWARE=1 SDL_VIDEODRIVER=offscreen \
    "$BUILD_DIR/hinoki" --replay "$REPLAY/idle$frames.hrec" "$@" "$GAME" >/dev/null 2>&1 </dev/null ||
    echo "run-bench: the replay of $frames frames failed" >&2
  echo $((($(date +%s%N) - start) / 1000000))
}
times=()
for options in "" "--capture-every 60" "--capture-every 1"; do
  for frames in "$SHORT" "$LONG"; do
    rm -rf "$REPLAY/shots"
    # shellcheck disable=SC2086
    times+=("$(replay_ms "$frames" ${options:+--capture "$REPLAY/shots" $options})")
  done
done
python3 - "$SHORT" "$LONG" "${times[@]}" <<'PY'
import sys
short, long_ = int(sys.argv[1]), int(sys.argv[2])
t = [float(v) / 1000 for v in sys.argv[3:9]]
frames = long_ - short
off, every60, every1 = ((t[i + 1] - t[i]) / frames for i in (0, 2, 4))
capture = every1 - off
print("replay, no capture          %7.1f fps  (%.2f ms a frame)" % (1 / off, off * 1000))
print("replay, every 60th captured %7.1f fps  (%.2f ms a frame)" % (1 / every60, every60 * 1000))
print("replay, every frame captured %6.1f fps  (%.2f ms a frame)" % (1 / every1, every1 * 1000))
print("capture of one 1024 x 768 frame: %.1f ms; at every 60th frame %.2f ms a frame"
      % (capture * 1000, capture * 1000 / 60))
PY
