#!/usr/bin/env bash
# Installs every Debian package Hinoki needs to build, test and run. The one place that
# lists packages; safe to run again (does nothing when all are present).
#
# usage: install-deps.sh [--bench]
#   --bench  also installs BENCH_PACKAGES, which only `make bench` uses: LOVE, to run the
#            same sprite scene (bench/love_sprites) beside Hinoki's, and assimp, to load the
#            same .x files beside Hinoki's reader, for comparison.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config python3
  liblua5.1-0-dev libtolua++5.1-dev
  libsdl2-dev
  libopenal-dev libsndfile1-dev libmpg123-dev libvorbis-dev
  libepoxy-dev libgl1-mesa-dri libglx-mesa0 libegl1 libegl-mesa0 libstb-dev zlib1g-dev
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic
  sox libsox-fmt-mp3 lame
  libgtest-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils xfonts-base libx11-dev
)

BENCH_PACKAGES=(
  love
  assimp-utils libassimp-dev
)

WANTED=("${PACKAGES[@]}")
for arg in "$@"; do
  case "$arg" in
    --bench) WANTED+=("${BENCH_PACKAGES[@]}") ;;
    *) echo "usage: $0 [--bench]" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${WANTED[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "install-deps: need root (or sudo) to install: ${missing[*]}" >&2
    exit 1
  fi
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
