#!/usr/bin/env bash
# Redraws the skin's pictures into src/resources/skin/ and renders the screenshots under
# docs/screenshots/ from the real widgets. The normal build never runs this; commit what it
# writes. Optional argument: a folder for enlarged PNG previews of every picture.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --tests
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKRYTKAR_TESTS=ON >/dev/null
cmake --build build --target skrytkar_skin_generator
export QT_QPA_PLATFORM=offscreen
build/src/resources/skrytkar_skin_generator src/resources/skin ${1:+"$1"}
# The screenshots show the pictures as compiled in, so they are rendered after the rebuild.
cmake --build build --target skrytkar_skin_screenshots
build/tests/ui/skrytkar_skin_screenshots docs/screenshots
