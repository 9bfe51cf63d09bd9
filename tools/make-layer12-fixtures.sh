#!/usr/bin/env bash
# Regenerates the small Layer II fixtures in decoder/tests/fixtures from
# synthetic signals (sox), encoded with twolame and ffmpeg. The names say
# rate, mode, bit rate and the allocation table the bit rate selects; the
# decoder tests compare their output with mpg123's at test time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/decoder/tests/fixtures
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A sweep in one channel, sweep and pink noise in the other: every subband gets
# some energy, and the channels differ so joint stereo has work to do. The
# length is 24 whole frames: an encoder writes scalefactor index 63 for the
# all-zero parts of a padded last frame, which the decoder rejects.
signal() {  # rate channels file
  if [ "$2" = 1 ]; then
    sox -n -r "$1" -c 1 -b 16 "$3" synth 27648s sine 100-9000 synth 27648s pinknoise mix vol 0.4
  else
    sox -n -r "$1" -c 2 -b 16 "$3" synth 27648s sine 100-9000 pinknoise \
      remix 1 1v0.3,2 vol 0.4
  fi
}

twolame_fixture() {  # name rate channels mode kbps [extra twolame options]
  local name=$1 rate=$2 ch=$3 mode=$4 kbps=$5
  shift 5
  signal "$rate" "$ch" "$tmp/in.wav"
  twolame --quiet -m "$mode" -b "$kbps" "$@" "$tmp/in.wav" "$out/$name.mp2"
}

ffmpeg_fixture() {  # name rate channels kbps
  signal "$2" "$3" "$tmp/in.wav"
  ffmpeg -v error -y -i "$tmp/in.wav" -c:a mp2 -b:a "$4k" "$out/$1.mp2"
}

mkdir -p "$out"
# MPEG-1: per-channel rates 96k at 48 kHz -> B.2a, 64k -> B.2a, 128k at
# 44.1 kHz -> B.2b, 48k -> B.2c, 32k at 32 kHz -> B.2d.
twolame_fixture l2-48000-stereo-192-b2a 48000 2 s 192
twolame_fixture l2-44100-joint-128-b2a 44100 2 j 128
twolame_fixture l2-44100-stereo-256-b2b-crc 44100 2 s 256 -p
twolame_fixture l2-48000-mono-48-b2c 48000 1 m 48
twolame_fixture l2-48000-joint-64-b2c 48000 2 j 64
twolame_fixture l2-32000-mono-32-b2d 32000 1 m 32
twolame_fixture l2-32000-dual-96-b2d 32000 2 d 96
twolame_fixture l2-32000-stereo-160-b2a 32000 2 s 160
ffmpeg_fixture l2-44100-mono-96-b2b 44100 1 96
# Lower sampling frequencies: one table for every rate.
twolame_fixture l2-24000-joint-64-lsf 24000 2 j 64
twolame_fixture l2-22050-dual-96-lsf 22050 2 d 96 -p
ffmpeg_fixture l2-16000-mono-32-lsf 16000 1 32
ls -l "$out"
