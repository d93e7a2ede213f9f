#!/usr/bin/env bash
# Installs what building and running needs, builds Skrytkar and starts it (arguments are passed
# on, e.g. /all). The tests are not built: their tools are ./scripts/test.sh's.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKRYTKAR_TESTS=OFF >/dev/null
cmake --build build --target skrytkar
exec build/bin/skrytkar "$@"
