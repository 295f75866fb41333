#!/usr/bin/env bash
# Builds the card fuzz target with clang (libFuzzer, ASan, UBSan) into $1 and
# runs it for $2 seconds (default 60). Fails on any find.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build-fuzz}
seconds=${2:-60}
CXX=clang++ cmake -S "$root/tests/fuzz" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$out" >/dev/null
mkdir -p "$out/corpus"
cd "$out"
./card_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 corpus 2>&1 | tail -n 15
