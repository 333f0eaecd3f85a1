#!/usr/bin/env bash
# Builds the search-page benchmark installation in build/bench-data/site: the Debian
# corpus (bench/run.sh makes build/bench-data/debian.jsonl) as the database debian
# (about 64,000 records) and its first 2,000 records as debian2k, a configuration, the
# engine's configuration file and a result-page template. Never in git.
#   bash bench/search_site.sh
set -euo pipefail
cd "$(dirname "$0")/.."
site=build/bench-data/site
corpus=build/bench-data/debian.jsonl
[ -f "$corpus" ] || { echo "no corpus: run bash bench/run.sh first" >&2; exit 1; }
[ -f "$site/ready" ] && exit 0
rm -rf "$site"
mkdir -p "$site/data" "$site/cache" "$site/templates"
site=$(cd "$site" && pwd)
zoltdb() { build/zoltdb --data "$site/data" "$@"; }
zoltdb init >/dev/null
zoltdb create debian --schema tools/debian_packages.json >/dev/null
zoltdb create debian2k --schema tools/debian_packages.json >/dev/null
zoltdb load debian "$corpus" >/dev/null
head -n 2000 "$corpus" | zoltdb load debian2k - >/dev/null
printf 'ZGW_CONF=%s/zgw.conf\nZDBS_DATA=%s/data\n' "$site" "$site" > "$site/zolt.rcs"
printf 'CACHE %s/cache\nBASE debian ZGWDIR %s/templates\nBASE debian2k ZGWDIR %s/templates\n' "$site" "$site" "$site" > "$site/zgw.conf"
# Ten records of the result with their hits marked, and the link to the next page.
cat > "$site/templates/results.zgw" <<'TEMPLATE'
<html><head><title>${FINDSTR}</title></head><body>
<h1>${MATCHES} hits in ${RECORDS} records</h1>
<ZOLTLOOP LOOPTYPE=RIS>
<h2>${CURRRIS}. ${PACKAGE}</h2>
<p><i>${TITLE}</i> (${SECTION})</p>
<p>${DESCRIPTION.*}</p>
<ZOLTLOOP END>
<a href="${FORWARD}">next page</a>
</body></html>
TEMPLATE
touch "$site/ready"
