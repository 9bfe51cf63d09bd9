#!/usr/bin/env bash
# Installs what the build (and, with "test" or "bench", the tests or the
# benchmarks) need on Debian 12, asking apt only for what is missing.
set -euo pipefail
pkgs=(build-essential cmake pkg-config libsdl2-dev libfreetype-dev libicu-dev fonts-dejavu-core
      libgtest-dev libgmock-dev zlib1g-dev libpng-dev
      fonts-wine gcab libmspack-dev libsystemd-dev)
case "${1:-}" in
  test)  pkgs+=(mpg123 xvfb cabextract dbus playerctl desktop-file-utils appstream) ;;
  bench) pkgs+=(libbenchmark-dev mpg123 madplay ffmpeg lame twolame sox valgrind) ;;
  fuzz)  pkgs+=(clang libclang-rt-14-dev) ;;
  id3v2-fixtures) pkgs+=(python3-mutagen) ;;  # tools/make-id3v2-fixtures.sh only
esac
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
