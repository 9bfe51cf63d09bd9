#!/usr/bin/env bash
# Screenshots of the playlist: both layouts of the pane, the file chooser, the
# edit and sort dialog and the properties dialog (headless, private device
# folder, titles made from the demo). usage: tools/make-playlist-screenshots.sh [BIN_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${1:-$root/build/bin}"
home="$(mktemp -d /tmp/lumtrax-shots-XXXXXX)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$home"' EXIT
export LUMTRAX_HOME="$home" XDG_RUNTIME_DIR="$home/run" XDG_MUSIC_DIR="$home/Musik"
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_MUSIC_DIR"
device="$bin/lumtrax-device"

# Titles: the demo under other ID3v1 titles.
python3 - "$root/player/resources/demo/demo.mp3" "$XDG_MUSIC_DIR" <<'PY'
import sys
demo = open(sys.argv[1], 'rb').read()
titles = ["Morgenlicht", "Am Fluss", "Nachtzug", "Brücke im Nebel", "Sommerregen", "Lichter der Stadt",
          "Heimweg", "Abendrot"]
for i, t in enumerate(titles):
    tag = bytearray(demo[-128:])
    tag[3:33] = t.encode('cp1252').ljust(30, b'\0')
    open(f"{sys.argv[2]}/{i + 1:02d} {t}.mp3", 'wb').write(demo[:-128] + bytes(tag))
PY

# A first start writes the settings; the welcome is then turned off.
"$bin/lumtrax" --headless --audio null >/dev/null 2>&1 & pid=$!
until "$device" --pid $pid --timeout 2 idle >/dev/null 2>&1; do sleep 0.05; done
main() { "$device" --pid $pid windows | awk '$3=="Lumtrax"{print $1; exit}'; }
"$device" --pid $pid post "$(main)" 273 40005 0 >/dev/null
wait $pid || true
sed -i -e 's/^"No Display Welcome"=.*/"No Display Welcome"=dword:00000001/' "$home/registry.txt"

"$bin/lumtrax" --headless --audio null >/dev/null 2>&1 & pid=$!
until "$device" --pid $pid --timeout 2 idle >/dev/null 2>&1; do sleep 0.05; done
shot() { "$device" --pid $pid idle >/dev/null; "$device" --pid $pid screenshot "$root/docs/$1" --scale 2; }
mkdir -p "$root/docs"
"$device" --pid $pid post "$(main)" 273 42011 0 >/dev/null  # "Datei hinzufügen"
"$device" --pid $pid idle >/dev/null
"$device" --pid $pid tap 60 198 >/dev/null                   # a title
shot chooser.png
"$device" --pid $pid tap 120 122 >/dev/null                  # "Alle"
"$device" --pid $pid tap 46 248 >/dev/null                   # favourite: row 3
"$device" --pid $pid tap 120 237 >/dev/null                  # select row 2
shot playlist-small.png
"$device" --pid $pid post "$(main)" 273 42013 0 >/dev/null  # "Informationen anzeigen"
shot properties.png
"$device" --pid $pid key escape >/dev/null
"$device" --pid $pid post "$(main)" 273 40050 0 >/dev/null  # "Playlist bearbeiten"
"$device" --pid $pid idle >/dev/null
"$device" --pid $pid tap 120 110 >/dev/null                  # a row
shot edit.png
"$device" --pid $pid key escape >/dev/null
"$device" --pid $pid post "$(main)" 273 51000 0 >/dev/null  # the large layout
shot playlist-large.png
"$device" --pid $pid post "$(main)" 273 51001 0 >/dev/null
kill -TERM $pid
wait $pid || true
echo "wrote docs/chooser.png docs/playlist-small.png docs/properties.png docs/edit.png docs/playlist-large.png"
