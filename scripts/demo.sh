#!/usr/bin/env bash
# Builds the gateway and its engine, sets up the demo installation in demo/ (the
# Debian packages installed on this machine as the database "packages") and runs
# the gateway on it as a web server would: a search request and a refused login.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
demo="$root/demo"

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZGW_BUILD_BENCH=ON >/dev/null  # debian2jsonl
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target zoltgate zoltdb debian2jsonl >/dev/null

# The installation: configuration, engine symbols, login form, page cache, data.
mkdir -p "$demo/cache" "$demo/data" "$demo/templates"
sed "s|@DEMO@|$demo|g" examples/demo/zoltgate.conf.in > "$demo/zoltgate.conf"
sed "s|@DEMO@|$demo|g" examples/demo/zolt.rcs.in > "$demo/zolt.rcs"
cp examples/demo/login.zgw "$demo/templates/login.zgw"
export ZOLTRCS="$demo/zolt.rcs"

if [ ! -f "$demo/data/packages.zdb" ]; then
  build/zoltdb --data "$demo/data" init
  build/zoltdb --data "$demo/data" create packages --schema bench/debian_packages.json
  build/debian2jsonl --status /var/lib/dpkg/status | build/zoltdb --data "$demo/data" load packages -
fi

echo "== zoltgate -V"
build/zoltgate -V

echo; echo "== The database, through the engine's shell: FIND library"
printf 'FIND library\n.records 5\n' | build/zoltdb --data "$demo/data" shell packages

echo; echo "== A search request (public user, database packages)"
build/zoltgate -S '${APPL}=packages&${BASE}=packages&q=library' || true

echo; echo; echo "== A login with a wrong password: the login form"
build/zoltgate -S '${APPL}=packages&${BASE}=packages&q=library&uname=anna&passwd=wrong' || true
echo
