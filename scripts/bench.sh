#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them; extra arguments go to Google Benchmark.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
source "$root/scripts/build-env.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIREFALL_TESTS=OFF
cmake --build "$root/build/release" --target mirefall_bench
exec "$root/build/release/bin/mirefall_bench" "$@"
