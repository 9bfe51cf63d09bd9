#!/usr/bin/env bash
# Runs the fuzz targets of build-fuzz/ (see fuzz/README.md for the build) side
# by side under nice for SECONDS each, from the committed seeds (the track
# probe from the tag fixtures), and prints each one's CPU time, runs and
# findings. Corpora and findings go to fuzz-out/<target>/.
#   fuzz/run.sh SECONDS [TARGET...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
seconds=${1:?seconds}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(decoder trackprobe playlistfile eqvaluefile eqpresetfile settings)
for t in "${targets[@]}"; do
  case $t in
    decoder) program=build-fuzz/fuzz/komp3dec_fuzzer; [ -x "$program" ] || program=build-fuzz/decoder/komp3dec_fuzzer ;;
    *) program=build-fuzz/fuzz/fuzz_$t ;;
  esac
  out=fuzz-out/$t
  mkdir -p "$out/corpus" "$out/findings"
  if [ "$t" = trackprobe ]; then cp -n player/trackinfo/tests/fixtures/*.mp3 "$out/corpus/"; else cp -n fuzz/seeds/$t/* "$out/corpus/"; fi
  extra=()
  [ "$t" = trackprobe ] && extra=(-dict="$root/player/fuzz/trackprobe.dict" -max_len=8192)
  # The registry keeps what it read between inputs: the leak check would run
  # after every input (two a second).
  [ "$t" = settings ] && extra=(-detect_leaks=0)
  (
    cd "$out"
    /usr/bin/time -f "%U %S" -o time.txt nice -n 19 "$root/$program" "${extra[@]}" -max_total_time="$seconds" \
      -artifact_prefix=findings/ -print_final_stats=1 corpus >log.txt 2>&1 || true
    read -r user sys < <(tail -1 time.txt)
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' log.txt | grep -o '[0-9]*$' || echo ?)
    echo "$t: $(echo "$user + $sys" | bc) s CPU ($user user, $sys sys), $runs inputs, $(ls findings | wc -l) findings, corpus $(ls corpus | wc -l)"
  ) &
done
wait
