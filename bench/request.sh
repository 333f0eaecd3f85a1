#!/usr/bin/env bash
# Times whole gateway requests as a web server runs them (a new process each) on the
# demo installation, against a trivial C CGI program started the same way, and counts
# the instructions of one request with callgrind (repeatable on a busy machine).
# The programs take turns, so a busy machine slows them alike; medians are reported.
#   bash bench/request.sh [requests] [other-zoltgate]
# With a second program (for example the zoltgate of an earlier commit) both are timed
# in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
n=${1:-300}
other=${2:-}
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZGW_BUILD_BENCH=ON >/dev/null
cmake --build build -j2 --target zoltgate spawn_timer trivial_cgi >/dev/null
[ -f demo/zolt.rcs ] || bash scripts/demo.sh >/dev/null
export ZOLTRCS=$PWD/demo/zolt.rcs

early='q=1'
login='${APPL}=packages&${BASE}=packages&q=library'
programs=(build/zoltgate)
[ -n "$other" ] && programs+=("$other")
commands=(build/trivial_cgi)
for p in "${programs[@]}"; do commands+=(-- "$p" -S "$early" -- "$p" -S "$login"); done
mapfile -t results < <(build/spawn_timer "$n" "${commands[@]}")

median() { echo "${results[$1]%% *}"; }
base=$(median 0)
echo "requests: $n each, taking turns (median microseconds a request, wall clock)"
printf '  %s\n      %6d\n' "trivial C CGI program (baseline)" "$base"
i=1
for p in "${programs[@]}"; do
  e=$(median $i); l=$(median $((i + 1)))
  printf '  %s\n      %6d  %s x baseline\n' "$p: refused before login (no application)" "$e" \
    "$(awk -v a="$e" -v b="$base" 'BEGIN { printf "%.2f", a / b }')"
  printf '  %s\n      %6d  %s x baseline\n' "$p: login, BASE packages, up to the search" "$l" \
    "$(awk -v a="$l" -v b="$base" 'BEGIN { printf "%.2f", a / b }')"
  i=$((i + 2))
done
if command -v valgrind >/dev/null; then
  for p in "${programs[@]}"; do
    out=$(mktemp)
    valgrind --tool=callgrind --callgrind-out-file="$out" "$p" -S "$login" 2>&1 >/dev/null |
      sed -n "s|.*refs: *\(.*\)|  $p: instructions of the login request: \1|p" || true  # the program exits 1
    rm -f "$out"
  done
fi
