#!/usr/bin/env bash
# The player over a long run: a ten-title list (the demo and nine fixture
# streams of every layer, rate and mode) on AutoRepeat, headless, with the
# null device in real time, so a title starts every few seconds. Prints the
# resident set once a minute; growth after the first minutes would be a leak.
# With -v the same list plays under valgrind's leak check instead.
#
#   bench/player-soak.sh [-m MINUTES] [-v] [BIN_DIR]   (default 60, build/bin)
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
minutes=60 valgrind=
while getopts m:v o; do
  case $o in m) minutes=$OPTARG ;; v) valgrind=1 ;; *) exit 2 ;; esac
done
shift $((OPTIND - 1))
bin=$(cd "${1:-build/bin}" && pwd)
home=$(mktemp -d /tmp/lumtrax-soak-XXXXXX)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT

mkdir -p "$home/My Documents/Soak" "$home/run"
cp "$src/player/resources/demo/demo.mp3" "$home/My Documents/Soak/01.mp3"
n=2
for f in l3-44100-joint-vbr.mp3 l3-22050-stereo-48.mp3 l3-8000-mono-16.mp3 l3-44100-stereo-112.mp3 \
  l2-44100-joint-128-b2a.mp2 l2-22050-dual-96-lsf.mp2 l2-48000-mono-48-b2c.mp2 \
  tone-44100-stereo-192-crc.mp2 l3-12000-stereo-32.mp3; do
  cp "$src/decoder/tests/fixtures/$f" "$home/My Documents/Soak/$(printf %02d $n).${f##*.}"
  n=$((n + 1))
done
# The list file the player reads at start: signature, count, 260-unit paths
# with a favourite word each.
python3 - "$home/My Documents/Soak" >"$home/My Documents/Soak.plt" <<'EOF'
import os, struct, sys
names = sorted(os.listdir(sys.argv[1]))
out = "Lumtrax Playlist File 1.1".encode("utf-16-le") + struct.pack("<I", len(names))
for n in names:
    out += ("\\My Documents\\Soak\\" + n).encode("utf-16-le").ljust(520, b"\0") + struct.pack("<I", 0)
sys.stdout.buffer.write(out)
EOF
printf 'Lumtrax Registry 1\n[HKEY_LOCAL_MACHINE\\software\\Oakhaven\\Lumtrax]\n"No Display Welcome"=dword:00000001\n"AutoRepeat"=dword:00000001\n"PlayAtOpen"=dword:00000001\n' \
  >"$home/registry.txt"
env=(LUMTRAX_HOME="$home" XDG_RUNTIME_DIR="$home/run" DBUS_SESSION_BUS_ADDRESS=unix:path=$home/no-bus)

if [ -n "$valgrind" ]; then
  env "${env[@]}" valgrind --leak-check=full --errors-for-leak-kinds=definite --log-file="$home/valgrind.txt" \
    "$bin/lumtrax" --headless --audio null "$home/My Documents/Soak.plt" &
  pid=$!
  sleep $((minutes * 60))
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  pid=
  # The summary, and the stack of every lost or possibly lost block.
  awk '/are (definitely|indirectly|possibly) lost in loss record/ {show = 1}
       show && /^==[0-9]+== *$/ {show = 0}
       show || /ERROR SUMMARY|definitely lost:|indirectly lost:|possibly lost:|still reachable:/' "$home/valgrind.txt"
  exit 0
fi

env "${env[@]}" "$bin/lumtrax" --headless --audio null "$home/My Documents/Soak.plt" &
pid=$!
for m in $(seq 1 "$minutes"); do
  sleep 60
  kill -0 "$pid" 2>/dev/null || { echo "the player ended after $((m - 1)) minutes"; exit 1; }
  awk -v m="$m" '/VmRSS/ {rss=$2} /VmHWM/ {hwm=$2} END {printf "minute %3d  RSS %6.1f MB  peak %6.1f MB\n", m, rss/1024, hwm/1024}' \
    "/proc/$pid/status"
done
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=
