#!/usr/bin/env bash
# Runs every benchmark program of build/bin (bench_*) under nice, one at a
# time. Peer comparisons are separate scripts: bench/compare.sh, bench/layer2.sh.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${LUMTRAX_BIN:-$root/build/bin}"
found=0
for b in "$bin"/bench_*; do
  [ -x "$b" ] || continue
  found=1
  echo "== $(basename "$b")"
  nice -n 10 "$b" "$@"
done
[ $found -eq 1 ] || { echo "no benchmarks in $bin: build first (tools/deps.sh bench)" >&2; exit 1; }
