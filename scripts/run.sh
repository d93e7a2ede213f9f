#!/usr/bin/env bash
# Installs what is missing, builds Skrytkar and starts it (arguments are passed on, e.g. /all).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target skrytkar
exec build/bin/skrytkar "$@"
