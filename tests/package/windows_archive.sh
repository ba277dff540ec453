#!/usr/bin/env bash
# Packs a Windows build's .zip with CPack and checks that it holds the
# program, the library, the public headers, the package files and the README.
# Usage: windows_archive.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G ZIP -B "$work" >/dev/null)
zip=$(find "$work" -maxdepth 1 -name 'vzgfx-*.zip' | head -n 1)
[[ -n "$zip" ]] || { echo "no .zip made"; exit 1; }
listing=$(cd "$work" && cmake -E tar tf "$zip")
for f in bin/particles.exe lib/libvzgfx.a include/vzgfx/vzgfx.h include/vzgfx/version.h \
         lib/cmake/vzgfx/vzgfxConfig.cmake lib/pkgconfig/vzgfx.pc share/doc/vzgfx/README.md \
         share/doc/vzgfx/LICENSE share/doc/vzgfx/guide.md; do
  grep -q "/$f\$" <<<"$listing" || { echo "the .zip lacks $f"; echo "$listing"; exit 1; }
done
# Only the public headers.
if grep '\.h$' <<<"$listing" | grep -qv '/include/vzgfx/'; then
  echo "headers outside include/vzgfx:"; grep '\.h$' <<<"$listing"; exit 1
fi
echo "$(basename "$zip"): $(grep -c . <<<"$listing") entries, the program, library, headers and README among them"
