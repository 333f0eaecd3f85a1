#!/usr/bin/env bash
# Times whole gateway requests as a web server runs them (a new process each) on the
# demo installation, against /bin/true started the same way as the baseline, and
# counts the instructions of one request with callgrind (repeatable on a busy machine).
#   bash bench/request.sh [requests]
set -euo pipefail
cd "$(dirname "$0")/.."
n=${1:-200}
if [ ! -f demo/zolt.rcs ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j2 --target zoltgate zoltdb debian2jsonl >/dev/null
  bash scripts/demo-setup.sh --build build demo >/dev/null
fi
export ZOLTRCS=$PWD/demo/zolt.rcs

run() {  # run N times: command...
  local start end
  start=$(date +%s%N)
  for ((i = 0; i < n; i++)); do "$@" >/dev/null 2>&1 || true; done
  end=$(date +%s%N)
  echo $(( (end - start) / n / 1000 ))
}

base=$(run /bin/true)
early=$(run build/zoltgate -S 'q=1')
login=$(run build/zoltgate -S '${APPL}=packages&${BASE}=packages&q=library')
echo "requests: $n each (microseconds a request, wall clock)"
echo "  /bin/true (process start baseline):          $base"
echo "  refused before login (no application):       $early  (+$((early - base)))"
echo "  login, BASE packages, up to the search step: $login  (+$((login - base)))"
if command -v valgrind >/dev/null; then
  out=$(mktemp)
  valgrind --tool=callgrind --callgrind-out-file="$out" \
    build/zoltgate -S '${APPL}=packages&${BASE}=packages&q=library' 2>&1 >/dev/null |
    sed -n 's/.*refs: *\(.*\)/  instructions of the login request: \1/p'
  rm -f "$out"
fi
