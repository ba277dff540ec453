#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing vzgfx need.
# Only missing packages are installed; run as root (or with sudo available).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libx11-dev libxext-dev libxrandr-dev libgl-dev libgl1-mesa-dri libglx-mesa0
  xvfb xdotool imagemagick x11-utils
  # The console fonts the font data tool (tools/pack_data_tool.cpp) reads, so
  # that the test rebuilding the packed fonts from their sources runs.
  console-setup-linux
  # clang's libFuzzer and sanitizer runtimes, for the fuzz preset.
  clang-14 libclang-rt-14-dev
  # The Windows builds: mingw-w64 cross compilers, GoogleTest's sources for
  # them, and Wine to run the results (wine32 for the 32-bit programs).
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest wine wine64 wine32:i386
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "bootstrap: installing ${missing[*]}" >&2
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
# wine32 comes from the i386 architecture. Installing it also brings some
# 64-bit libraries up to the versions that match it.
for p in "${missing[@]}"; do
  if [ "$p" = wine32:i386 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
done
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
