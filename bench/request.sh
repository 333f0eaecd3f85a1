#!/usr/bin/env bash
# Times whole gateway requests as a web server runs them (a new process each) on the
# demo installation, against /bin/true started the same way as the baseline, and
# counts the instructions of one request with callgrind (repeatable on a busy machine).
#   bash bench/request.sh [requests]
set -euo pipefail
cd "$(dirname "$0")/.."
n=${1:-200}
[ -f demo/zolt.rcs ] || bash scripts/demo.sh >/dev/null
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
    sed -n 's/.*refs: *\(.*\)/  instructions of the login request: \1/p' || true  # zoltgate exits 1
  rm -f "$out"
fi

# Search pages (needs the Debian corpus: bash bench/run.sh). A result page of ten
# records with their hits marked, as a new process each, on the 64k-record database and
# on a 2k-record one, against the request that only logs in and opens the same database
# and against a trivial C CGI program; the kinds take turns, so that the machine's load
# falls on all alike, and each figure is the median.
if [ -f build/bench-data/debian.jsonl ]; then
  bash bench/search_site.sh
  export ZOLTRCS=$PWD/build/bench-data/site/zolt.rcs
  trivial=build/bench-data/trivial_cgi
  if [ ! -x "$trivial" ]; then
    printf '#include <stdio.h>\nint main(void) { fputs("Content-Type: text/html\\n\\n<p>ok</p>\\n", stdout); return 0; }\n' |
      cc -O2 -x c -o "$trivial" -
  fi
  page='${FREETEXT}=library&${HTML}=results&${MAXPAGE}=11&${HILITE}=1'
  kinds=(trivial login64k page64k page2k)
  declare -A command=(
    [trivial]="$trivial"
    [login64k]="build/zoltgate -S \${APPL}=debian&\${FORD}=DUMMY"
    [page64k]="build/zoltgate -S \${APPL}=debian&$page"
    [page2k]="build/zoltgate -S \${APPL}=debian2k&$page"
  )
  declare -A times
  for ((i = 0; i < n; i++)); do
    for kind in "${kinds[@]}"; do
      read -r -a argv <<< "${command[$kind]}"
      t0=$EPOCHREALTIME
      "${argv[@]}" >/dev/null 2>&1 || true
      t1=$EPOCHREALTIME
      times[$kind]+="$(( ${t1/./} - ${t0/./} )) "
    done
  done
  median() { tr ' ' '\n' <<< "${times[$1]}" | grep . | sort -n | sed -n "$(( (n + 1) / 2 ))p"; }
  trivial_us=$(median trivial); login_us=$(median login64k)
  page64_us=$(median page64k); page2_us=$(median page2k)
  echo "search pages: median microseconds of $n requests each, taking turns"
  echo "  trivial C CGI program:                        $trivial_us"
  echo "  login and BASE debian (64k), no search:       $login_us"
  echo "  result page, 10 records marked, 64k records:  $page64_us  ($(awk "BEGIN{printf \"%.2f\", $page64_us/$login_us}") x login)"
  echo "  result page, 10 records marked, 2k records:   $page2_us  (64k/2k $(awk "BEGIN{printf \"%.2f\", $page64_us/$page2_us}"))"
  if command -v valgrind >/dev/null; then
    for db in debian debian2k; do
      out=$(mktemp)
      valgrind --tool=callgrind --callgrind-out-file="$out" \
        build/zoltgate -S "\${APPL}=$db&$page" 2>&1 >/dev/null |
        sed -n "s/.*refs: *\(.*\)/  instructions of the result page on $db: \1/p" || true
      rm -f "$out"
    done
  fi
fi
