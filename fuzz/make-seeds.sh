#!/usr/bin/env bash
# Regenerates the seed corpora in fuzz/seeds/ (the finding kept beside them
# stays): decoder inputs are the fuzzer's four option bytes (fade, rate,
# chunking, output room) before a fixture stream's first 6000 bytes;
# Default.PLT, Default.EQT and registry.txt are what a headless player writes
# after it was given one title and closed; the EQV file is one value record
# ("Rock", genre 17) as the equalizer saves it.
#   fuzz/make-seeds.sh [BIN_DIR]   (default build/bin)
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
bin=$(cd "${1:-build/bin}" && pwd)
seeds=$src/fuzz/seeds
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT

decoder() {  # OPTION-BYTES FIXTURE
  { printf "$1"; head -c 6000 "$2"; } >"$seeds/decoder/$(basename "$2").bin"
}
mkdir -p "$seeds"/{decoder,playlistfile,eqpresetfile,eqvaluefile,settings}
fixtures=$src/decoder/tests/fixtures
decoder '\x00\x01\x10\x80' "$fixtures/l2-22050-dual-96-lsf.mp2"
decoder '\x00\x00\x10\x80' "$fixtures/l2-48000-mono-48-b2c.mp2"
decoder '\x03\x01\x20\x80' "$fixtures/l3-44100-joint-vbr.mp3"
decoder '\x01\x00\x10\x80' "$fixtures/l3-8000-mono-16.mp3"
decoder '\x00\x00\x10\x80' "$fixtures/tone-44100-stereo-128.mp3"

home=$work/home
mkdir -p "$home/My Documents" "$work/run" "$work/music"
cp "$src/player/resources/demo/demo.mp3" "$work/music/a.mp3"
# A few values off their defaults, so that the registry seed carries them.
printf '%s\n' 'Lumtrax Registry 1' '[HKEY_LOCAL_MACHINE\Software\Oakhaven\Lumtrax]' \
  '"No Display Welcome"=dword:00000001' '"Shuffle"=dword:00000001' '"WakeUp"=dword:00000002' >"$home/registry.txt"
export LUMTRAX_HOME=$home XDG_RUNTIME_DIR=$work/run DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus
"$bin/lumtrax" --headless --audio null "$work/music/a.mp3" 2>/dev/null &
pid=$!
device() { "$bin/lumtrax-device" --pid "$pid" "$@"; }
for _ in $(seq 100); do device idle >/dev/null 2>&1 && break; sleep 0.1; done
main=$(device windows | awk '$2 == 0 && $3 == "Lumtrax" {print $1; exit}')
device post "$main" 273 40005 0 >/dev/null  # "Beenden"
wait "$pid" || true
pid=
cp "$home/My Documents/Default.PLT" "$seeds/playlistfile/default.plt"
cp "$home/My Documents/Default.EQT" "$seeds/eqpresetfile/default.eqt"
cp "$home/registry.txt" "$seeds/settings/registry.txt"

# The file's signature, then one 84-byte record: genre 17, a spare byte, the
# name in 30 units, eleven gains (the bands, then the preamplifier), three
# spare bytes and two link words.
{
  printf 'Lumtrax Equalize File 1.0' | iconv -t UTF-16LE
  printf '\x11\x00'
  printf 'Rock' | iconv -t UTF-16LE
  head -c 52 /dev/zero
  printf '\x08\x05\xfa\xf7\xfc\x04\x09\x0b\x0b\x0b\x00'
  head -c 11 /dev/zero
} >"$seeds/eqvaluefile/rock.eqv"
ls -l "$seeds"/*/
