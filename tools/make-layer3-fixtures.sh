#!/usr/bin/env bash
# Regenerates the small Layer III fixtures in decoder/tests/fixtures from
# synthetic signals (sox) encoded with lame. The names say the stream's rate
# (lame resamples to a lower one at low bit rates; the second argument is the
# signal's), mode and bit rate; the decoder tests compare their output with
# mpg123's at test time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/decoder/tests/fixtures
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A sweep and pink noise, the channels different, with a burst of clicks in
# the middle so that the encoder switches to short blocks.
signal() {  # rate channels seconds file
  local rate=$1 ch=$2 secs=$3 file=$4
  sox -n -r "$rate" -c 1 -b 16 "$tmp/a.wav" synth "$secs" sine 100-$((rate * 2 / 5)) vol 0.4
  sox -n -r "$rate" -c 1 -b 16 "$tmp/b.wav" synth "$secs" pinknoise vol 0.2
  sox -n -r "$rate" -c 1 -b 16 "$tmp/c.wav" synth 0.02 square 200 vol 0.3 pad 0.6 0.2 repeat 1
  sox -m "$tmp/a.wav" "$tmp/b.wav" "$tmp/c.wav" "$tmp/l.wav"
  if [ "$ch" = 1 ]; then
    cp "$tmp/l.wav" "$file"
  else
    sox -m "$tmp/b.wav" "$tmp/c.wav" -v 0.7 "$tmp/a.wav" "$tmp/r.wav"
    sox -M "$tmp/l.wav" "$tmp/r.wav" "$file"
  fi
}

fixture() {  # name rate channels seconds lame-options...
  local name=$1 rate=$2 ch=$3 secs=$4
  shift 4
  signal "$rate" "$ch" "$secs" "$tmp/in.wav"
  lame --quiet --noreplaygain "$@" "$tmp/in.wav" "$out/$name.mp3"
}

mkdir -p "$out"
fixture l3-8000-mono-16 8000 1 2 -m m -b 16
fixture l3-8000-joint-24 11025 2 2 -m j -b 24
fixture l3-12000-stereo-32 12000 2 1.5 -m s -b 32
fixture l3-22050-stereo-48 22050 2 1.5 -m s -b 48
fixture l3-24000-stereo-64 32000 2 1 -m s -b 64
fixture l3-32000-stereo-96 44100 2 1 -m s -b 96
fixture l3-44100-stereo-112 48000 2 1 -m s -b 112
fixture l3-32000-joint-80 44100 2 1 -m j -b 80
fixture l3-32000-mono-48 44100 1 1 -m m -b 48
fixture l3-44100-joint-vbr 44100 2 1 -m j -V 5
fixture l3-24000-joint-64-crc 44100 2 1 -m j -b 64 -p
ls -l "$out"/l3-*
