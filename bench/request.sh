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
cmake --build build -j2 --target zoltgate zoltdb debian2jsonl spawn_timer trivial_cgi >/dev/null
# The demo installation without serving it (scripts/demo.sh would serve it).
[ -f demo/zolt.rcs ] || bash scripts/demo-setup.sh --build build demo >/dev/null
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

# Search pages (needs the Debian corpus: bash bench/run.sh). A result page of ten
# records with their hits marked, as a new process each, on the 64k-record database and
# on a 2k-record one, against the request that only logs in and opens the same database
# and against a trivial C CGI program; the kinds take turns, so that the machine's load
# falls on all alike, and each figure is the median.
if [ -f build/bench-data/debian.jsonl ]; then
  bash bench/search_site.sh
  export ZOLTRCS=$PWD/build/bench-data/site/zolt.rcs
  page='${FREETEXT}=library&${HTML}=results&${MAXPAGE}=11&${HILITE}=1'
  mapfile -t pages < <(build/spawn_timer "$n" build/trivial_cgi \
    -- build/zoltgate -S '${APPL}=debian&${FORD}=DUMMY' \
    -- build/zoltgate -S "\${APPL}=debian&$page" \
    -- build/zoltgate -S "\${APPL}=debian2k&$page")
  trivial_us=${pages[0]%% *}; login_us=${pages[1]%% *}
  page64_us=${pages[2]%% *}; page2_us=${pages[3]%% *}
  echo "search pages: median microseconds of $n requests each, taking turns"
  echo "  trivial C CGI program:                        $trivial_us"
  echo "  login and BASE debian (64k), no search:       $login_us  ($(awk "BEGIN{printf \"%.2f\", $login_us/$trivial_us}") x trivial)"
  echo "  result page, 10 records marked, 64k records:  $page64_us  ($(awk "BEGIN{printf \"%.2f\", $page64_us/$login_us}") x login)"
  echo "  result page, 10 records marked, 2k records:   $page2_us  (64k/2k $(awk "BEGIN{printf \"%.2f\", $page64_us/$page2_us}"))"
  if command -v valgrind >/dev/null; then
    out=$(mktemp)
    valgrind --tool=callgrind --callgrind-out-file="$out" \
      build/zoltgate -S '${APPL}=debian&${FORD}=DUMMY' 2>&1 >/dev/null |
      sed -n "s/.*refs: *\(.*\)/  instructions of the login and BASE on debian: \1/p" || true
    rm -f "$out"
    for db in debian debian2k; do
      out=$(mktemp)
      valgrind --tool=callgrind --callgrind-out-file="$out" \
        build/zoltgate -S "\${APPL}=$db&$page" 2>&1 >/dev/null |
        sed -n "s/.*refs: *\(.*\)/  instructions of the result page on $db: \1/p" || true
      rm -f "$out"
    done
  fi
fi
