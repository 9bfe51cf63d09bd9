#!/usr/bin/env bash
# Builds the decoder's fuzzer (clang, ASan + UBSan) in build-fuzz/ and runs it
# under nice for SECONDS (default 600) on a seed corpus of short streams of
# every layer, version and mode, made with sox, lame and twolame.
#
#   decoder/fuzz/run.sh [SECONDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"
seconds="${1:-600}"
"$root/tools/deps.sh" fuzz
"$root/tools/deps.sh" bench
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DLUMTRAX_FUZZ=ON >/dev/null
nice -n 10 cmake --build build-fuzz -j2 --target komp3dec_fuzzer

out="$root/fuzz-out/komp3dec"
corpus="$out/corpus"
mkdir -p "$corpus" "$out/findings"
if [ -z "$(ls -A "$corpus")" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  seed() {  # seed NAME OPTIONS-HEX FILE: four option bytes, then the stream
    printf "$2" >"$corpus/$1"
    head -c 6000 "$3" >>"$corpus/$1"
  }
  sox -n -r 44100 -c 2 "$work/s44.wav" synth 0.3 sine 300 sine 2000 vol 0.5
  sox -n -r 48000 -c 1 "$work/m48.wav" synth 0.3 square 440 vol 0.5
  sox -n -r 16000 -c 2 "$work/s16.wav" synth 0.5 noise vol 0.3
  sox -n -r 8000 -c 1 "$work/m8.wav" synth 0.5 sine 500
  lame --quiet -b 128 "$work/s44.wav" "$work/a.mp3"
  lame --quiet -m j -V 5 "$work/s44.wav" "$work/b.mp3"
  lame --quiet -b 64 -p "$work/m48.wav" "$work/c.mp3"
  lame --quiet -b 32 "$work/s16.wav" "$work/d.mp3"
  lame --quiet -b 8 "$work/m8.wav" "$work/e.mp3"
  twolame --quiet -b 192 "$work/s44.wav" "$work/f.mp2"
  twolame --quiet -b 64 -m m -p "$work/m48.wav" "$work/g.mp2"
  twolame --quiet -b 32 "$work/s16.wav" "$work/h.mp2" || true
  ffmpeg -v quiet -nostdin -i "$work/s44.wav" -c:a mp2 -b:a 256k "$work/i.mp2" || true
  seed a '\x00\x00\x10\x80' "$work/a.mp3"
  seed b '\x03\x01\x20\x80' "$work/b.mp3"
  seed c '\x06\x02\x30\x10' "$work/c.mp3"
  seed d '\x0a\x03\x40\x80' "$work/d.mp3"
  seed e '\x0f\x02\x50\x80' "$work/e.mp3"
  seed f '\x00\x00\x60\x80' "$work/f.mp2"
  seed g '\x02\x04\x70\x20' "$work/g.mp2"
  [ -f "$work/h.mp2" ] && seed h '\x01\x05\x80\x80' "$work/h.mp2"
  [ -f "$work/i.mp2" ] && seed i '\x04\x00\x90\x80' "$work/i.mp2"
  for f in "$root"/../shared/vectors/*.bit; do
    [ -f "$f" ] && seed "v-$(basename "$f" .bit)" '\x00\x00\x11\x80' "$f"
  done
fi
cd "$out/findings"
start=$(date -u +%FT%TZ)
nice -n 10 "$root/build-fuzz/fuzz/komp3dec_fuzzer" -max_len=12000 -timeout=20 -rss_limit_mb=2048 \
  -max_total_time="$seconds" -print_final_stats=1 "$corpus" 2>&1 | tee "$out/last-run.log" | grep -E "^#|ERROR|SUMMARY|stat::" | tail -25
echo "started $start, ended $(date -u +%FT%TZ), $seconds s; log: $out/last-run.log"
