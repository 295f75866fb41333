#!/usr/bin/env bash
# Sets everything up and runs the benchmarks in an optimised build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$(mktemp -d)
for b in build-bench/bench/*_bench; do "$b"; done
