#!/usr/bin/env bash
# Builds every fuzz target with clang in a build folder of its own (the
# libraries there carry the fuzzer's coverage hooks and the address checks,
# so the project's own build stays with the default compiler). Configures the
# folder the first time; later runs build only what changed. JOBS sets the
# parallelism (the processors by default).
#   build.sh SOURCE_DIR FUZZ_BUILD_DIR
set -euo pipefail
src="$1"
dir="$2"
if [ ! -f "$dir/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$src" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DORBISCA_TIDY=OFF -DORBISCA_BUILD_BENCH=OFF -DORBISCA_FUZZ_TESTS=OFF
fi
cmake --build "$dir" --parallel "${JOBS:-$(nproc)}" --target fuzz_targets
