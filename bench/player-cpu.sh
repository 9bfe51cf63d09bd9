#!/usr/bin/env bash
# The player's CPU share and the board's paints per second while the demo
# loops, windowed (on Xvfb) and headless, in a private device folder: playing
# with the spectrum, playing with the display switched off, playing without
# the spectrum, stopped. Baseline: the idle lumtrax-sample.
# usage: bench/player-cpu.sh [-s SECONDS] [-m "windowed headless"]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${LUMTRAX_BIN:-$root/build/bin}"
seconds=60 modes="windowed headless"
while getopts s:m: o; do
  case $o in s) seconds=$OPTARG ;; m) modes=$OPTARG ;; *) exit 2 ;; esac
done
home="$(mktemp -d /tmp/lumtrax-bench-XXXXXX)"
xvfb=""
cleanup() {
  kill $(jobs -p) 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT
export LUMTRAX_HOME="$home" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY
device="$bin/lumtrax-device"
demo="$root/player/resources/demo/demo.mp3"
hz=$(getconf CLK_TCK)
now() { date +%s.%N; }

# A display of our own for the windowed runs.
if [[ " $modes " == *" windowed "* ]]; then
  exec 3< <(Xvfb -displayfd 1 -screen 0 640x800x24 -nolisten tcp 2>/dev/null)
  xvfb=$!
  read -r -u 3 n
  display=":$n"
fi

# Settings: no welcome, loop the playlist, F1 switches the display.
settings() {  # spectrum: 1 off, 0 on
  local reg="$home/registry.txt"
  sed -i -e 's/^"No Display Welcome"=.*/"No Display Welcome"=dword:00000001/' \
         -e 's/^"AutoRepeat"=.*/"AutoRepeat"=dword:00000001/' \
         -e 's/^"PlayAtOpen"=.*/"PlayAtOpen"=dword:00000001/' \
         -e 's/^"EnableVK"=.*/"EnableVK"=dword:00000001/' \
         -e 's/^"VKButton1"=.*/"VKButton1"=dword:0000000c/' \
         -e "s/^\"Disable Equalizer Spectrum\"=.*/\"Disable Equalizer Spectrum\"=dword:0000000$1/" "$reg"
}

start() {  # mode, program and arguments
  local mode=$1; shift
  if [ "$mode" = windowed ]; then
    DISPLAY=$display "$@" >/dev/null 2>&1 &
  else
    env -u DISPLAY "$@" --headless >/dev/null 2>&1 &
  fi
  pid=$!
  until "$device" --pid $pid --timeout 2 idle >/dev/null 2>&1; do sleep 0.05; done
}

stop() {
  kill -TERM $pid 2>/dev/null || true
  wait $pid 2>/dev/null || true
}

board_paints() { "$device" --pid $pid paints | awk '$2=="LumtraxMB"{print $3; exit}'; }

measure() {  # label, with the board's paints when a board is there
  local label=$1 c0 c1 t0 t1 p0=0 p1=0
  [ "${2:-}" = board ] && p0=$(board_paints)
  c0=$(awk '{print $14 + $15}' "/proc/$pid/stat"); t0=$(now)
  sleep "$seconds"
  c1=$(awk '{print $14 + $15}' "/proc/$pid/stat"); t1=$(now)
  [ "${2:-}" = board ] && p1=$(board_paints)
  awk -v l="$label" -v c="$((c1 - c0))" -v hz="$hz" -v a="$t0" -v b="$t1" -v p="$((p1 - p0))" -v bd="${2:-}" \
    -v rss="$(awk '/VmRSS/{print $2}' "/proc/$pid/status")" \
    'BEGIN {printf "  %-34s %6.2f %% of a core  RSS %6.1f MB", l, 100 * c / hz / (b - a), rss / 1024;
            if (bd == "board") printf "  board %.2f paints/s", p / (b - a); printf "\n"}'
}

# A first start writes the registry the later ones edit.
env -u DISPLAY "$bin/lumtrax" --headless --audio null >/dev/null 2>&1 & pid=$!
until "$device" --pid $pid --timeout 2 idle >/dev/null 2>&1; do sleep 0.05; done
"$device" --pid $pid post "$("$device" --pid $pid windows | awk '$3=="Lumtrax"{print $1; exit}')" 273 40005 0 >/dev/null
wait $pid || true

echo "over $seconds s each, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
for mode in $modes; do
  echo "$mode:"
  start "$mode" "$bin/lumtrax-sample"
  measure "baseline: idle lumtrax-sample"
  stop
  settings 0
  start "$mode" "$bin/lumtrax" --audio null "$demo"
  measure "playing, spectrum on" board
  "$device" --pid $pid key app1 >/dev/null
  measure "playing, display off" board
  "$device" --pid $pid key app1 >/dev/null
  "$device" --pid $pid tap 155 89 >/dev/null
  "$device" --pid $pid idle >/dev/null
  measure "stopped" board
  stop
  settings 1
  start "$mode" "$bin/lumtrax" --audio null "$demo"
  measure "playing, spectrum off" board
  stop
done
