#!/usr/bin/env bash
# Fuzzes the list file's load path for about the given number of seconds (default 60).
# Builds the libFuzzer target with clang, AddressSanitizer and UndefinedBehaviorSanitizer in
# build-fuzz/ and starts from the real list files under tests/data/core/. A crash, a leak, a
# hang or runaway memory makes this exit non-zero and leaves the input in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DSKRYTKAR_FUZZ=ON -DSKRYTKAR_BENCH=OFF >/dev/null
cmake --build build-fuzz --target list_load_fuzz

corpus=build-fuzz/list-corpus
mkdir -p "$corpus"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
# New inputs go to the working corpus; the committed seeds are only read.
./build-fuzz/tests/fuzz/list_load_fuzz "$corpus" tests/data/core/fuzz-seeds \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix=build-fuzz/ -print_final_stats=1
