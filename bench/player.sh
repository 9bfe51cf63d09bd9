#!/usr/bin/env bash
# The player program's start-up and idle costs, headless, in a private device
# folder: start to idle (median of RUNS), a second start handing over to the
# running first (median of RUNS), and the CPU share of a hidden idle player
# over SECONDS.  usage: bench/player.sh [-n RUNS] [-s SECONDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${LUMTRAX_BIN:-$root/build/bin}"
runs=9 seconds=60
while getopts n:s: o; do
  case $o in n) runs=$OPTARG ;; s) seconds=$OPTARG ;; *) exit 2 ;; esac
done
home="$(mktemp -d /tmp/lumtrax-bench-XXXXXX)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$home"' EXIT
export LUMTRAX_HOME="$home" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_RUNTIME_DIR"
device="$bin/lumtrax-device"
player=("$bin/lumtrax" --headless --audio null)
now() { date +%s.%N; }
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
ms() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.1f\n", (b-a)*1000}'; }

# The welcome dialog off, as a user who has seen it.
"${player[@]}" >/dev/null 2>&1 & first=$!
until "$device" --timeout 2 idle >/dev/null 2>&1; do sleep 0.01; done
"$device" post "$("$device" windows | awk '$3=="Lumtrax"{print $1; exit}')" 273 40005 0 >/dev/null
wait $first || true
"$bin/lumtrax-device" list >/dev/null
reg="$home/registry.txt"
sed -i 's/^"No Display Welcome"=dword:0*$/"No Display Welcome"=dword:00000001/' "$reg"

start_times=()
for _ in $(seq "$runs"); do
  t0=$(now)
  "${player[@]}" >/dev/null 2>&1 & pid=$!
  until "$device" --pid $pid --timeout 2 idle >/dev/null 2>&1; do sleep 0.005; done
  t1=$(now)
  start_times+=("$(ms "$t0" "$t1")")
  kill -TERM $pid; wait $pid || true
done
echo "start to idle: $(printf '%s\n' "${start_times[@]}" | median) ms (median of $runs)"

"${player[@]}" >/dev/null 2>&1 & first=$!
until "$device" --pid $first --timeout 2 idle >/dev/null 2>&1; do sleep 0.01; done
second_times=()
for _ in $(seq "$runs"); do
  t0=$(now)
  "${player[@]}" >/dev/null 2>&1 || true
  t1=$(now)
  second_times+=("$(ms "$t0" "$t1")")
done
echo "second start: $(printf '%s\n' "${second_times[@]}" | median) ms (median of $runs)"

main=$("$device" --pid $first windows | awk '$3=="Lumtrax"{print $1; exit}')
"$device" --pid $first post "$main" 273 40049 0 >/dev/null  # "Minimieren"
"$device" --pid $first idle >/dev/null
ticks() { awk '{print $14 + $15}' "/proc/$first/stat"; }
hz=$(getconf CLK_TCK)
c0=$(ticks); t0=$(now)
sleep "$seconds"
c1=$(ticks); t1=$(now)
awk -v c="$((c1 - c0))" -v hz="$hz" -v a="$t0" -v b="$t1" \
  'BEGIN {printf "hidden idle: %.3f %% of a core over %.0f s\n", 100 * c / hz / (b - a), b - a}'
kill -TERM $first; wait $first || true
