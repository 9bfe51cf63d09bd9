#!/usr/bin/env bash
# The player's CPU while it plays: a 3-minute 128 kbit/s stereo title (the
# demo six times over) with the null device, which keeps real time, at
# spectrum speed 10. CPU share of one core from /proc over SECONDS after the
# first 10 s, the resident set at the end and its peak, and the board's
# paints per second, for these runs:
#   on        headless, spectrum on
#   disabled  "Disable Equalizer Spectrum" 1
#   hidden    "PLState" 1 (the large playlist covers the equalizer)
#   dark      display switched off (application button 1 bound to it)
#   windowed  a desktop window at scale 2 on a private Xvfb through SDL's X11
#             driver (SDL's offscreen driver where Xvfb is missing)
#   bus       "on" with the media controls on a private session bus and a
#             client following them (playerctl --follow); also counts the
#             bus signals the player sent over the SECONDS (none expected:
#             nothing changes while a title plays). The other runs have no bus.
# The spectrum's share is on - disabled; the media controls' is bus - on.
#
#   bench/player_cpu.sh [BIN_DIR] [SECONDS] [RUNS]  (default build/bin, 60, all)
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
bin=$(cd "${1:-build/bin}" && pwd)
seconds=${2:-60}
only=${3:-}
work=$(mktemp -d)
pid= bus= watchers= xvfb= display=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  [ -n "$watchers" ] && kill $watchers 2>/dev/null || true
  [ -n "$bus" ] && kill "$bus" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

demo=$src/player/resources/demo/demo.mp3
body=$(($(stat -c %s "$demo") - 128))  # without its ID3v1 tag
for _ in 1 2 3 4 5; do head -c "$body" "$demo" >>"$work/title.mp3"; done
cat "$demo" >>"$work/title.mp3"
hz=$(getconf CLK_TCK)

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# The board's WM_PAINT calls so far: PID, then the run's environment.
paints() {
  local p=$1
  shift
  env "$@" "$bin/lumtrax-device" --pid "$p" paints 2>/dev/null | awk '$2=="LumtraxMB" {print $3; f=1; exit} END {if (!f) print 0}'
}

# run NAME MODE EXTRA-REGISTRY-LINES [after-start action]
run() {
  local name=$1 mode=$2 extra=$3 action=${4:-}
  [ -n "$only" ] && [[ " $only " != *" $name "* ]] && return
  local home=$work/$name
  mkdir -p "$home/My Documents" "$home/run"
  printf 'Lumtrax Registry 1\n[HKEY_LOCAL_MACHINE\\software\\Oakhaven\\Lumtrax]\n"No Display Welcome"=dword:00000001\n"Equalizer Spectrum Speed"=dword:0000000a\n%b' \
    "$extra" >"$home/registry.txt"
  local env=(LUMTRAX_HOME="$home" XDG_RUNTIME_DIR="$home/run" DBUS_SESSION_BUS_ADDRESS=unix:path=$home/no-bus)
  local signals=$work/$name.signals
  if [ "$name" = bus ]; then
    local started
    started=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
    bus=$(echo "$started" | sed -n 2p)
    env+=(DBUS_SESSION_BUS_ADDRESS="$(echo "$started" | head -1)")
    env "${env[@]}" dbus-monitor --session "type='signal',path='/org/mpris/MediaPlayer2'" >"$signals" 2>/dev/null &
    watchers=$!
  fi
  if [ "$mode" = windowed ]; then
    if [ -z "$display" ] && command -v Xvfb >/dev/null; then
      exec 3< <(Xvfb -displayfd 1 -screen 0 640x800x24 -nolisten tcp 2>/dev/null)
      xvfb=$!
      read -r -u 3 n
      display=":$n"
    fi
    if [ -n "$display" ]; then
      env+=(DISPLAY="$display" WAYLAND_DISPLAY=)
    else
      env+=(SDL_VIDEODRIVER=offscreen DISPLAY=:offscreen WAYLAND_DISPLAY=)
    fi
    env "${env[@]}" "$bin/lumtrax" --audio null --scale 2 "$work/title.mp3" 2>/dev/null &
  else
    env "${env[@]}" "$bin/lumtrax" --headless --audio null "$work/title.mp3" 2>/dev/null &
  fi
  pid=$!
  sleep 2
  if [ "$name" = bus ]; then
    env "${env[@]}" playerctl -p lumtrax --follow status >/dev/null 2>&1 &
    watchers="$watchers $!"
  fi
  if [ -n "$action" ]; then env "${env[@]}" "$bin/lumtrax-device" --pid "$pid" $action >/dev/null; fi
  sleep 8
  local t0 t1 rss hwm p0 p1
  local s0 s1
  s0=$(grep -c '^signal' "$signals" 2>/dev/null || true)
  p0=$(paints "$pid" "${env[@]}")
  t0=$(ticks "$pid")
  sleep "$seconds"
  t1=$(ticks "$pid")
  p1=$(paints "$pid" "${env[@]}")
  s1=$(grep -c '^signal' "$signals" 2>/dev/null || true)
  rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
  hwm=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  pid=
  if [ "$name" = bus ]; then
    kill $watchers "$bus" 2>/dev/null || true
    watchers= bus=
    echo "bus signals from the player over $seconds s: $((${s1:-0} - ${s0:-0}))"
  fi
  awk -v n="$name" -v d=$((t1 - t0)) -v hz="$hz" -v s="$seconds" -v r="$rss" -v h="$hwm" -v p=$((p1 - p0)) \
    'BEGIN { printf "%-9s %6.2f %% of one core  RSS %6.1f MB  peak %6.1f MB  board %5.2f paints/s\n",
             n, 100 * d / hz / s, r / 1024, h / 1024, p / s }'
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
run on headless ""
run disabled headless '"Disable Equalizer Spectrum"=dword:00000001\n'
run hidden headless '"PLState"=dword:00000001\n'
run dark headless '"VKButton1"=dword:0000000c\n' "key app1"
run windowed windowed ""
run bus headless ""
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
