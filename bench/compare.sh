#!/usr/bin/env bash
# Times lumtrax-decode against mpg123, madplay and ffmpeg on the same files
# (all output to /dev/null) and prints, per file and over all files, the
# median CPU time (user + system) of each and its ratio to lumtrax-decode's.
#
#   bench/compare.sh [-n RUNS] FILE...     (default 5 runs; build first)
#
# Run it under nice on a quiet machine; it installs missing peers through
# tools/deps.sh bench.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs=5
if [ "${1:-}" = "-n" ]; then runs="$2"; shift 2; fi
[ $# -gt 0 ] || { echo "usage: bench/compare.sh [-n RUNS] FILE..." >&2; exit 1; }
decode="${LUMTRAX_BIN:-$root/build/bin}/lumtrax-decode"
[ -x "$decode" ] || { echo "build first: $decode is missing" >&2; exit 1; }
for p in mpg123 madplay ffmpeg; do
  command -v "$p" >/dev/null || { "$root/tools/deps.sh" bench; break; }
done

# CPU seconds (user + system) of one run of "$@".
cpu_time() {
  local TIMEFORMAT='%U %S' t
  t=$( { time "$@" >/dev/null 2>&1; } 2>&1 ) || true
  awk '{ printf "%.4f\n", $1 + $2 }' <<<"$t"
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

run() {
  local name="$1" file="$2"
  case "$name" in
    lumtrax) cpu_time "$decode" --raw "$file" /dev/null ;;
    mpg123)  cpu_time mpg123 -q -s "$file" ;;
    madplay) cpu_time madplay -q -o raw:/dev/null "$file" ;;
    ffmpeg)  cpu_time ffmpeg -v quiet -nostdin -threads 1 -i "$file" -f s16le -y /dev/null ;;
  esac
}

decoders=(lumtrax mpg123 madplay ffmpeg)
declare -A all
printf "%-28s" "file (median CPU s)"; for d in "${decoders[@]}"; do printf "%12s" "$d"; done; printf "   ratios lumtrax/peer\n"
for file in "$@"; do
  declare -A med=()
  for d in "${decoders[@]}"; do
    times=$(for ((i = 0; i < runs; i++)); do run "$d" "$file"; done)
    med[$d]=$(median <<<"$times")
  done
  printf "%-28s" "$(basename "$file" | cut -c1-27)"
  for d in "${decoders[@]}"; do printf "%12s" "${med[$d]}"; done
  printf "  "
  for d in mpg123 madplay ffmpeg; do
    r=$(awk -v a="${med[lumtrax]}" -v b="${med[$d]}" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }')
    printf " %s %s" "$d" "$r"
    all[$d]+="$r "
  done
  printf "\n"
done
printf "median ratio over %d file(s):" $#
for d in mpg123 madplay ffmpeg; do
  printf " lumtrax/%s %s" "$d" "$(tr ' ' '\n' <<<"${all[$d]}" | grep -v '^-\?$' | median)"
done
printf "\n"
