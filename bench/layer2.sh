#!/usr/bin/env bash
# CPU time of lumtrax-decode against mpg123 and madplay on a generated
# 3-minute 192 kbit/s Layer II stereo file: the median of five runs each
# (user + system seconds) and the ratios lumtrax / peer (below 1 = faster).
#   bench/layer2.sh [BIN_DIR]   (default build/bin, a Release build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$root/build/bin}
runs=5
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

sox -n -r 44100 -c 2 -b 16 "$tmp/in.wav" synth 180 sine 100-9000 pinknoise remix 1 1v0.3,2 vol 0.4
twolame --quiet -m s -b 192 "$tmp/in.wav" "$tmp/song.mp2"
rm "$tmp/in.wav"

median_cpu() {  # command...
  local times=()
  for _ in $(seq $runs); do
    /usr/bin/time -f "%U %S" -o "$tmp/t" "$@" > /dev/null 2>&1
    times+=("$(awk '{printf "%.3f", $1 + $2}' "$tmp/t")")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p"
}

own=$(median_cpu "$bin/lumtrax-decode" --raw "$tmp/song.mp2" /dev/null)
mpg=$(median_cpu mpg123 -q -s "$tmp/song.mp2")
mad=$(median_cpu madplay -Q -o raw:/dev/null "$tmp/song.mp2")
echo "3-minute 192 kbit/s Layer II stereo, median CPU seconds of $runs runs"
echo "lumtrax-decode $own  mpg123 $mpg  madplay $mad"
awk -v o="$own" -v m="$mpg" -v d="$mad" \
  'BEGIN { printf "ratio vs mpg123 %.2f  vs madplay %.2f\n", o / m, o / d }'
