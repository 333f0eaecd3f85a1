#!/usr/bin/env bash
# Builds the gateway and runs it on the embedded demo: the version, then one
# request from the command line, as a web server would run it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target zoltgate >/dev/null

./build/zoltgate -V
./build/zoltgate -S '${BASE}=demo&q=hello' || true
