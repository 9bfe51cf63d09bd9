#!/usr/bin/env bash
# Makes the steady-tone fixtures of the decoder's export tests
# (decoder/tests/fixtures/tone-*): 1.5 s of a 1 kHz sine at -6 dB with a
# quieter 5 kHz partial, as Layer II with CRC (twolame) and as Layer III (lame).
set -euo pipefail
cd "$(dirname "$0")/.."
out=decoder/tests/fixtures
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -V1 -n -r 44100 -c 2 "$work/tone.wav" synth 1.5 sine 1000 sine 5000 remix 1v0.45,2v0.05 1v0.45,2v0.05
twolame --quiet -b 192 -p "$work/tone.wav" "$out/tone-44100-stereo-192-crc.mp2"
lame --quiet --cbr -b 128 -m s "$work/tone.wav" "$out/tone-44100-stereo-128.mp3"
ls -l "$out"/tone-*
