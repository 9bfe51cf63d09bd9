#!/usr/bin/env bash
# The decoder against mpg123 on the four files of its speed goal: 3-minute
# 44.1 kHz stereo Layer III at 128 and 320 kbit/s and VBR -V 2 (as
# bench/layer3.sh makes them) and 192 kbit/s Layer II (as bench/layer2.sh).
# First callgrind's instruction counts of lumtrax-decode on a 10-second
# excerpt of each (stable on a busy machine), then bench/compare.sh on the
# whole files (CPU times, noisy: say the load beside them).
#   bench/decoder-parity.sh [-n RUNS] [BIN_DIR]   (default 5 runs, build/bin)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=5
if [ "${1:-}" = "-n" ]; then runs="$2"; shift 2; fi
bin=${1:-$root/build/bin}
for p in valgrind twolame lame sox mpg123; do
  command -v "$p" >/dev/null || { "$root/tools/deps.sh" bench; break; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

sox -n -r 44100 -c 2 -b 16 "$tmp/in.wav" synth 180 sine 100-9000 pinknoise remix 1 1v0.3,2 vol 0.4 2>/dev/null
lame --quiet -b 128 "$tmp/in.wav" "$tmp/cbr128.mp3"
lame --quiet -b 320 "$tmp/in.wav" "$tmp/cbr320.mp3"
lame --quiet -V 2 "$tmp/in.wav" "$tmp/vbr.mp3"
twolame --quiet -m s -b 192 "$tmp/in.wav" "$tmp/l2.mp2"
rm "$tmp/in.wav"

echo "instructions (callgrind) on a 10-second excerpt"
for f in cbr128.mp3 cbr320.mp3 vbr.mp3 l2.mp2; do
  bytes=$(( $(stat -c %s "$tmp/$f") / 18 ))
  head -c "$bytes" "$tmp/$f" > "$tmp/excerpt"
  own=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$bin/lumtrax-decode" --raw "$tmp/excerpt" /dev/null 2>&1 |
        awk '/Collected/ { print $4 }')
  mpg=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null mpg123 -q -s "$tmp/excerpt" 2>&1 >/dev/null |
        awk '/Collected/ { print $4 }')
  awk -v f="$f" -v o="$own" -v m="$mpg" 'BEGIN { printf "%-11s lumtrax %12d  mpg123 %12d  ratio %.2f\n", f, o, m, o / m }'
done
echo "CPU time, load $(cut -d' ' -f1-3 /proc/loadavg)"
LUMTRAX_BIN="$bin" "$root/bench/compare.sh" -n "$runs" "$tmp/cbr128.mp3" "$tmp/cbr320.mp3" "$tmp/vbr.mp3" "$tmp/l2.mp2"
