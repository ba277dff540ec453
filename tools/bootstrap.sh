#!/usr/bin/env bash
# Installs the Debian packages vzgfx needs; only missing packages are installed.
#   bootstrap.sh run    what building and running the simulation needs
#   bootstrap.sh test   that and what the tests add (the default)
# Run as root (or with sudo available). A failing package-list update does not
# stop the install: the install itself decides, and a package that cannot be
# installed is named, with the command to run again.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
set_name=${1:-test}

run_packages=(
  g++ cmake ninja-build pkg-config
  libx11-dev libxext-dev libxrandr-dev libgl-dev libglx-dev libopengl-dev libgl1-mesa-dri libglx-mesa0
)
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool imagemagick x11-utils
  # The console fonts the font data tool (tools/pack_data_tool.cpp) reads, so
  # that the test rebuilding the packed fonts from their sources runs.
  console-setup-linux
  # clang's libFuzzer and sanitizer runtimes, for the fuzz preset, and
  # clang-format for the style check.
  clang-14 libclang-rt-14-dev clang-format
  # The examples gallery compares pictures with a small Python tool; the
  # package test packs the .deb (dpkg-shlibdeps).
  python3 dpkg-dev
  # The builds of other processors (tools/test-everywhere.sh): the ARM64 cross
  # compiler and user-mode emulation to run its programs; Emscripten for
  # WebAssembly, and Chromium for the page test.
  g++-aarch64-linux-gnu qemu-user emscripten chromium
  # The Windows builds: mingw-w64 cross compilers, GoogleTest's sources for
  # them, and 64-bit Wine to run the 64-bit programs.
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest wine wine64
)

case $set_name in
  run|test) ;;
  *) echo "usage: tools/bootstrap.sh [run|test]" >&2; exit 2 ;;
esac

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
updated=0

# A mirror that is being synchronised answers with lists out of step now and
# then: the update is tried twice, and even a failed one leaves lists that
# mostly serve.
update() {
  updated=1
  "${sudo_cmd[@]}" apt-get update -qq && return 0
  echo "bootstrap: apt-get update failed; trying again in 10 s" >&2
  sleep 10
  "${sudo_cmd[@]}" apt-get update -qq && return 0
  echo "bootstrap: apt-get update failed again; installing from the lists there are" >&2
}
apt_install() {
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@"
}

# Installs those of the packages named that are missing.
install_missing() {
  local p missing=() failed=()
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "bootstrap: installing ${missing[*]}" >&2
  for p in "${missing[@]}"; do
    if [ "$p" = wine32:i386 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
      "${sudo_cmd[@]}" dpkg --add-architecture i386
      updated=0
    fi
  done
  [ "$updated" = 1 ] || update
  apt_install "${missing[@]}" && return 0
  echo "bootstrap: the install failed; updating the lists and trying again" >&2
  sleep 10
  update
  apt_install "${missing[@]}" && return 0
  # Name what cannot be installed: each package alone.
  for p in "${missing[@]}"; do
    apt_install "$p" >/dev/null 2>&1 || failed+=("$p")
  done
  [ ${#failed[@]} -eq 0 ] && return 0
  echo "bootstrap: these packages could not be installed: ${failed[*]}" >&2
  echo "bootstrap: the package mirror may be out of step; run again later: tools/bootstrap.sh $set_name" >&2
  exit 1
}

install_missing "${run_packages[@]}"
[ "$set_name" = run ] && exit 0

if bash "$here/host-runs-32bit.sh"; then
  # This machine runs 32-bit programs itself (the probe is assembled with the
  # binutils that came with the compiler): 32-bit Wine runs the 32-bit
  # Windows tests here.
  test_packages+=(wine32:i386)
else
  # It does not: those tests run in a virtual machine of our own (tools/vm/),
  # whose root holds its own 32-bit Wine. Nothing i386 is installed here.
  test_packages+=(qemu-system-x86 debootstrap busybox-static)
fi
install_missing "${test_packages[@]}"
