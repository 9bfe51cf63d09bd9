#!/usr/bin/env bash
# CPU time of lumtrax-decode against mpg123, madplay and ffmpeg on generated
# 3-minute Layer III stereo files (128 and 320 kbit/s CBR, VBR -V 2): the
# median of five runs each (user + system seconds) and the ratios
# lumtrax / peer (below 1 = faster).
#   bench/layer3.sh [BIN_DIR]   (default build/bin, a Release build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/bin}
runs=${RUNS:-5}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

sox -n -r 44100 -c 2 -b 16 "$tmp/in.wav" synth 180 sine 100-9000 pinknoise remix 1 1v0.3,2 vol 0.4
lame --quiet -b 128 "$tmp/in.wav" "$tmp/cbr128.mp3"
lame --quiet -b 320 "$tmp/in.wav" "$tmp/cbr320.mp3"
lame --quiet -V 2 "$tmp/in.wav" "$tmp/vbr.mp3"
rm "$tmp/in.wav"

median_cpu() {  # command...
  local times=()
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%U %S" -o "$tmp/t" "$@" > /dev/null 2>&1
    times+=("$(awk '{printf "%.3f", $1 + $2}' "$tmp/t")")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p"
}

echo "3-minute Layer III stereo, median CPU seconds of $runs runs"
for f in cbr128 cbr320 vbr; do
  own=$(median_cpu "$bin/lumtrax-decode" --raw "$tmp/$f.mp3" /dev/null)
  mpg=$(median_cpu mpg123 -q -s "$tmp/$f.mp3")
  mad=$(median_cpu madplay -Q -o raw:/dev/null "$tmp/$f.mp3")
  ffm=$(median_cpu ffmpeg -v error -threads 1 -i "$tmp/$f.mp3" -f s16le -y /dev/null)
  awk -v n="$f" -v o="$own" -v m="$mpg" -v d="$mad" -v f="$ffm" 'BEGIN {
    printf "%-7s lumtrax %.3f  mpg123 %.3f  madplay %.3f  ffmpeg %.3f  ratio vs mpg123 %.2f  vs madplay %.2f  vs ffmpeg %.2f\n",
           n, o, m, d, f, o / m, o / d, o / f }'
done
