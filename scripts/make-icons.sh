#!/usr/bin/env bash
# Redraws the application icon at every size of the desktop's icon theme into
# src/resources/icon/hicolor/ and the help pages' copy. The normal build never runs this;
# commit what it writes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKRYTKAR_TESTS=OFF -DSKRYTKAR_BENCH=OFF >/dev/null
cmake --build build --target skrytkar_icon_generator
QT_QPA_PLATFORM=offscreen build/src/ui/windows/skrytkar_icon_generator src/resources/icon/hicolor
cp src/resources/icon/hicolor/256x256/apps/io.github.skrytkar.Skrytkar.png src/resources/help/skrytkar.png
