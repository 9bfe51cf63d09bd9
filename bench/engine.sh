#!/usr/bin/env bash
# The playback engine's CPU share and memory while it plays a generated
# 3-minute 320 kbit/s stereo title in real time on the null device (spectrum
# speed 10): ring of 50 and of 300 buffers, and 10 s paused.
#   bench/engine.sh [BIN_DIR]   (default build/bin, a Release build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/bin}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
sox -n -r 44100 -c 2 -b 16 "$tmp/in.wav" synth 180 sine 100-9000 pinknoise remix 1 1v0.3,2 vol 0.4
lame --quiet -b 320 "$tmp/in.wav" "$tmp/cbr320.mp3"
rm "$tmp/in.wav"
export LUMTRAX_HOME="$tmp/home"
"$bin/bench_engine" --ring 50 "$tmp/cbr320.mp3"
"$bin/bench_engine" --ring 300 "$tmp/cbr320.mp3"
"$bin/bench_engine" --ring 50 --paused 10 "$tmp/cbr320.mp3"
