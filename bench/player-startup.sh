#!/usr/bin/env bash
# Start-up: from exec of the player to the first buffer reaching the audio
# device, with the welcome screen off and PlayAtOpen on, the demo as start
# file; the "wav:" recorder stands in for the device, so the first buffer is
# the first sample data in the recording. Median and spread of RUNS starts
# in a private device folder.
#   bench/player-startup.sh [RUNS]   (default 10)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
home=$(mktemp -d /tmp/lumtrax-startup-XXXXXX)
trap 'rm -rf "$home"' EXIT
export LUMTRAX_HOME="$home" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY
python3 - "$PWD/build/bin" "$PWD/player/resources/demo/demo.mp3" "$home" "$runs" <<'PY'
import os, subprocess, sys, time, statistics
bin, demo, home, runs = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
device = os.path.join(bin, "lumtrax-device")
def start(audio, args=()):
    return subprocess.Popen([os.path.join(bin, "lumtrax"), "--headless", "--audio", audio, *args],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
# A first start writes the settings; then the welcome goes off.
p = start("null")
while subprocess.run([device, "--pid", str(p.pid), "--timeout", "2", "idle"], capture_output=True).returncode:
    time.sleep(0.05)
p.terminate(); p.wait()
reg = os.path.join(home, "registry.txt")
text = open(reg, encoding="utf-8").read().replace('"No Display Welcome"=dword:00000000', '"No Display Welcome"=dword:00000001')
open(reg, "w", encoding="utf-8").write(text)
times = []
for i in range(runs):
    wav = os.path.join(home, f"first-{i}.wav")
    began = time.perf_counter()
    p = start("wav:" + wav, [demo])
    while True:
        try:
            if os.stat(wav).st_size > 44: break
        except FileNotFoundError:
            pass
        if time.perf_counter() - began > 10: break
        time.sleep(0.0005)
    times.append((time.perf_counter() - began) * 1000)
    p.terminate(); p.wait()
    os.remove(wav)
times.sort()
print(f"exec to first buffer: median {statistics.median(times):.0f} ms, min {times[0]:.0f}, max {times[-1]:.0f} ({runs} starts)")
PY
