#!/usr/bin/env bash
# Makes the demo game's sounds with sox and lame, into the folder given (default:
# demo/sound), so that no audio file is kept in the repository:
#   bgm.mp3  a melodic loop: a 2 s lead-in, an 8 s phrase from 2 s to 10 s that repeats,
#            and 1 s of reverb tail after it that sounds under the next repeat. Play it
#            with SoundN.MP3SOUND():Play("sound\\bgm.mp3", true, SecTo(2), SecTo(10)).
#   hit.wav  a short mono plucked sound, for SoundN.WAVESOUND():Play in 3-D.
# Notes are given in semitones from A4 (sox's %N): C4 is %-9.
set -euo pipefail
OUT=${1:-demo/sound}
mkdir -p "$OUT"
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
RATE=44100
STEP=0.25  # an eighth note at 120 beats per minute

count=0
# note SEMITONES SECONDS: appends one plucked note (or a rest for "-") to the list $1.
note() {
  local list=$1 pitch=$2 seconds=$3
  count=$((count + 1))
  local file="$TMP/n$count.wav"
  if [ "$pitch" = "-" ]; then
    sox -n -r $RATE -c 1 "$file" trim 0 "$seconds"
  else
    sox -n -r $RATE -c 1 "$file" synth "$seconds" pluck "%$pitch" fade 0 "$seconds" 0.03 vol 0.5
  fi
  echo "$file" >> "$TMP/$list"
}

# Lead-in: a rising C major arpeggio, 8 notes (2 s), the bass silent.
for p in -9 -5 -2 3 7 10 15 19; do note lead "$p" $STEP; done
note bass - 2
# The phrase: C, A minor, F, G, two seconds each, an arpeggio over a held bass note.
for chord in "3 7 10 15" "0 3 7 12" "-4 0 3 8" "-2 2 5 10"; do
  set -- $chord
  for i in 1 2 3 4 3 2 3 4; do note lead "${!i}" $STEP; done
  note bass $(($1 - 24)) 2
done
# The tail after the loop end: silence that the reverb fills.
note lead - 1
note bass - 1

sox $(cat "$TMP/lead") "$TMP/lead.wav"
sox $(cat "$TMP/bass") "$TMP/bass.wav"
sox -m -v 1 "$TMP/lead.wav" -v 0.8 "$TMP/bass.wav" "$TMP/mix.wav"
sox "$TMP/mix.wav" -c 2 "$TMP/bgm.wav" reverb 40 norm -3
lame --quiet -b 160 "$TMP/bgm.wav" "$OUT/bgm.mp3"

sox -n -r $RATE -c 1 -b 16 "$OUT/hit.wav" synth 0.35 pluck %-2 synth 0.35 sine fmod 600 \
    fade 0 0.35 0.3 norm -4
echo "make_demo_sounds: wrote $OUT/bgm.mp3 and $OUT/hit.wav"
