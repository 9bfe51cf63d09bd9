#!/usr/bin/env bash
# Screenshots for the README: the player (headless, private device folder)
# twelve seconds into the demo, paused. usage: tools/make-screenshots.sh [BIN_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${1:-$root/build/bin}"
home="$(mktemp -d /tmp/lumtrax-shots-XXXXXX)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$home"' EXIT
export LUMTRAX_HOME="$home" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_RUNTIME_DIR"
device="$bin/lumtrax-device"

# A first start writes the settings; the welcome is then turned off.
"$bin/lumtrax" --headless --audio null >/dev/null 2>&1 & pid=$!
until "$device" --pid $pid --timeout 2 idle >/dev/null 2>&1; do sleep 0.05; done
"$device" --pid $pid post "$("$device" --pid $pid windows | awk '$3=="Lumtrax"{print $1; exit}')" 273 40005 0 >/dev/null
wait $pid || true
sed -i -e 's/^"No Display Welcome"=.*/"No Display Welcome"=dword:00000001/' \
       -e 's/^"PlayAtOpen"=.*/"PlayAtOpen"=dword:00000001/' "$home/registry.txt"

"$bin/lumtrax" --headless --audio null "$root/player/resources/demo/demo.mp3" >/dev/null 2>&1 & pid=$!
until "$device" --pid $pid --timeout 2 idle >/dev/null 2>&1; do sleep 0.05; done
sleep 12
"$device" --pid $pid tap 116 89 >/dev/null  # Pause
"$device" --pid $pid idle >/dev/null
mkdir -p "$root/docs"
"$device" --pid $pid screenshot "$root/docs/board.png" --scale 2
kill -TERM $pid
wait $pid || true
echo "wrote docs/board.png"
