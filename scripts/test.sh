#!/usr/bin/env bash
# Installs what is missing (the test tools too), builds Skrytkar with its tests and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --tests
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKRYTKAR_TESTS=ON >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure
