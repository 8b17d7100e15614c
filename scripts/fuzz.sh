#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs one: scripts/fuzz.sh NAME [libFuzzer options].
# New inputs it finds go into fuzz/corpus/NAME, which the normal test build replays.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
name=$1; shift
bash "$root/scripts/setup.sh"
source "$root/scripts/build-env.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMIREFALL_FUZZ=ON -DMIREFALL_BENCH=OFF
cmake --build "$root/build/fuzz" --target "fuzz_$name"
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
exec "$root/build/fuzz/bin/fuzz_$name" "$root/fuzz/corpus/$name" "$@"
