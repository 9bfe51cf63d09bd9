#!/usr/bin/env bash
# Makes the demo title player/resources/demo/demo.mp3: an original piece of
# 32 seconds (16 bars at 120 beats a minute) of plucked arpeggios over a bass
# line and a light hi-hat, encoded at 128 kbit/s with an ID3v1 tag
# (title "Demo", artist "Lumtrax"). Needs sox and lame (tools/deps.sh bench).
set -euo pipefail
cd "$(dirname "$0")/.."
out=player/resources/demo/demo.mp3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rate=44100

# Chords, one a bar: the notes of its eighth-note arpeggio and its bass root.
chords=(
  "C4 E4 G4 C5 E5 C5 G4 E4|C2"
  "A3 C4 E4 A4 C5 A4 E4 C4|A1"
  "F3 A3 C4 F4 A4 F4 C4 A3|F1"
  "G3 B3 D4 G4 B4 G4 D4 B3|G1"
  "C4 E4 G4 C5 E5 G5 E5 C5|C2"
  "E3 G3 B3 E4 G4 E4 B3 G3|E2"
  "F3 A3 C4 F4 C5 A4 F4 C4|F1"
  "G3 B3 D4 F4 G4 F4 D4 B3|G1"
)
order=(0 1 2 3 4 5 6 7 0 1 2 3 4 5 6 0)

arp=(); bass=(); hats=()
bar=0
for c in "${order[@]}"; do
  IFS='|' read -r notes root <<<"${chords[$c]}"
  for n in $notes; do arp+=(synth 0.25 pluck "$n" : ); done
  # Root on beats 1 and 3, fifth-less octave on 2 and 4.
  for beat in 0 1 2 3; do
    if (( beat % 2 == 0 )); then bass+=(synth 0.5 pluck "$root" : ); else bass+=(synth 0.5 pluck "${root%?}$(( ${root: -1} + 1 ))" : ); fi
  done
  # Hi-hat on the off-beats, from the third bar on.
  for beat in 0 1 2 3; do
    if (( bar >= 2 )); then
      hats+=(synth 0.25 noise fade q 0.002 0.25 0.22 : synth 0.25 noise vol 0 : )
    else
      hats+=(synth 0.5 noise vol 0 : )
    fi
  done
  bar=$((bar + 1))
done
unset 'arp[${#arp[@]}-1]' 'bass[${#bass[@]}-1]' 'hats[${#hats[@]}-1]'

sox -V1 -n -r $rate -c 1 "$work/arp.wav" "${arp[@]}"
sox -V1 -n -r $rate -c 1 "$work/bass.wav" "${bass[@]}"
sox -V1 -n -r $rate -c 1 "$work/hats0.wav" "${hats[@]}"
# Short, bright hats: gate each burst with a fast decay and keep the highs.
sox -V1 "$work/hats0.wav" "$work/hats.wav" vol 0.08 highpass 7000
# Arpeggio slightly right with a short echo, bass in the middle, hats left.
sox -V1 "$work/arp.wav" "$work/arp2.wav" vol 0.55 echo 0.8 0.7 250 0.25
sox -V1 -M "$work/arp2.wav" "$work/arp2.wav" "$work/arpst.wav" remix 1v0.8 2v1.0
sox -V1 "$work/bass.wav" "$work/bass2.wav" vol 0.7 lowpass 400
sox -V1 -M "$work/bass2.wav" "$work/bass2.wav" "$work/bassst.wav"
sox -V1 -M "$work/hats.wav" "$work/hats.wav" "$work/hatsst.wav" remix 1v1.0 2v0.6
sox -V1 -m "$work/arpst.wav" "$work/bassst.wav" "$work/hatsst.wav" "$work/mix.wav" \
  reverb 30 50 60 fade t 0.05 32 2 norm -1.5
lame --quiet --cbr -b 128 --id3v1-only --tt Demo --ta Lumtrax --tc "Made by tools/make-demo.sh" \
  "$work/mix.wav" "$out"
echo "wrote $out ($(stat -c %s "$out") bytes)"
