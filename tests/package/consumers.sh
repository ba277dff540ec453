#!/usr/bin/env bash
# Installs the build to a temporary prefix and builds a small outside program
# against it three ways (the CMake package, pkg-config, add_subdirectory of
# the source tree), runs each, then packs the .deb and checks what it holds.
# Usage: consumers.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
consumer="$source/tests/package/consumer"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

step() { printf '== %s\n' "$*"; }

step "install to a temporary prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in include/vzgfx/vzgfx.h lib/libvzgfx.a lib/cmake/vzgfx/vzgfxConfig.cmake \
         lib/cmake/vzgfx/vzgfxConfigVersion.cmake lib/pkgconfig/vzgfx.pc bin/particles share/doc/vzgfx/LICENSE \
         share/doc/vzgfx/guide.md share/doc/vzgfx/examples/hello.png; do
  [[ -f "$prefix/$f" ]] || { echo "not installed: $f"; exit 1; }
done
# Only the public headers: none of the routines' own.
if find "$prefix/include" -name '*.h' | grep -v '/include/vzgfx/' | grep -q .; then
  echo "headers outside include/vzgfx:"; find "$prefix/include" -name '*.h'; exit 1
fi

step "find_package"
cmake -S "$consumer" -B "$work/by-package" -G Ninja -DVZGFX_WAY=find_package -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/by-package" >/dev/null
"$work/by-package/consumer"

step "pkg-config"
PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --exists --print-errors vzgfx
# shellcheck disable=SC2046  # the flags are words
c++ -o "$work/by-pkg-config" "$consumer/main.cpp" $(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs vzgfx)
"$work/by-pkg-config"

step "add_subdirectory (no GoogleTest or Google Benchmark needed)"
cmake -S "$consumer" -B "$work/by-subdirectory" -G Ninja -DVZGFX_WAY=add_subdirectory -DVZGFX_SOURCE_DIR="$source" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
  --no-warn-unused-cli >/dev/null
cmake --build "$work/by-subdirectory" -j 2 >/dev/null
"$work/by-subdirectory/consumer"
# As a subproject it builds the library alone.
for target in particles test-gfx vz-microbench; do
  for dir in bin vzgfx/bin; do
    if [[ -e "$work/by-subdirectory/$dir/$target" ]]; then echo "subproject built $target"; exit 1; fi
  done
done

step ".deb"
(cd "$build" && cpack -G DEB -B "$work/archives" >/dev/null)
deb=$(find "$work/archives" -maxdepth 1 -name 'vzgfx_*.deb' | head -n 1)
[[ -n "$deb" ]] || { echo "no .deb made"; exit 1; }
listing=$(dpkg-deb -c "$deb")
for f in ./usr/bin/particles ./usr/lib/libvzgfx.a ./usr/include/vzgfx/vzgfx.h ./usr/lib/pkgconfig/vzgfx.pc \
         ./usr/lib/cmake/vzgfx/vzgfxConfig.cmake ./usr/share/doc/vzgfx/LICENSE; do
  grep -q " $f\$" <<<"$listing" || { echo "the .deb lacks $f"; echo "$listing"; exit 1; }
done
dpkg-deb -f "$deb" Package Version Depends
echo "consumers: all three ways built and ran; $(basename "$deb") holds the program, library and headers"
