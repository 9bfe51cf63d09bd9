#!/usr/bin/env bash
# Installs what is missing, builds, and starts the player with the demo title.
set -euo pipefail
cd "$(dirname "$0")"
tools/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
demo="$PWD/player/resources/demo/demo.mp3"
if [ -x build/bin/lumtrax ]; then
  exec build/bin/lumtrax "$@" "$demo"
fi
echo "The player is not built yet. What can be run so far, from build/bin:" >&2
ls build/bin >&2
if [ -x build/bin/lumtrax-decode ] && [ -f "$demo" ]; then
  echo "For example: build/bin/lumtrax-decode -v $demo demo.wav" >&2
fi
