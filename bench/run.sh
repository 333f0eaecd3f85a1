#!/usr/bin/env bash
# Builds the Debian corpus (about 64,000 packages with their long descriptions) and
# runs the engine benchmark on it, then searches during a load of it. The corpus goes to build/bench-data, never into git.
#   bash bench/run.sh            # the whole corpus from the apt lists
#   bash bench/run.sh --status   # the installed packages only (/var/lib/dpkg/status)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZGW_BUILD_BENCH=ON >/dev/null
cmake --build build -j2 --target debian2jsonl engine_bench load_while_searching zoltdb
mkdir -p build/bench-data
corpus=build/bench-data/debian.jsonl
if [ "${1:-}" = "--status" ]; then
  build/debian2jsonl --status /var/lib/dpkg/status > "$corpus"
else
  # The long descriptions come in the Translation-en lists.
  apt-get update -qq -o Acquire::Languages=en
  packages=(/var/lib/apt/lists/*_Packages*)
  translations=(/var/lib/apt/lists/*_i18n_Translation-en*)
  build/debian2jsonl --packages "${packages[@]}" --translations "${translations[@]}" > "$corpus"
fi
ZGW_BENCH_CORPUS="$corpus" build/engine_bench --benchmark_min_time=0.2
# Searches in one process while another loads the whole corpus over its first quarter.
ZGW_BENCH_CORPUS="$corpus" build/load_while_searching
