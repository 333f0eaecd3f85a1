#!/usr/bin/env bash
# Sets up the demo site in a directory from examples/demo and a build: configuration,
# engine settings, static pages, templates, the gateway program, the users and the two
# databases. A database is loaded only when it is missing or older than its sources.
#   bash scripts/demo-setup.sh [--build DIR] [--source archive|installed] SITE
# archive: apt's package lists (with Translation-en's long descriptions when present);
# installed: the packages installed here (/var/lib/dpkg/status). Default: archive when
# apt's lists are there. The restricted database always holds the installed packages.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
source=""
while [ $# -gt 1 ]; do
  case "$1" in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --source) source=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# -eq 1 ] || { echo "usage: demo-setup.sh [--build DIR] [--source archive|installed] SITE" >&2; exit 2; }
mkdir -p "$1"
site=$(cd "$1" && pwd)

# The demo user of the restricted database; README.md names them.
demo_user=demo
demo_password=debian-demo

status_file=/var/lib/dpkg/status
shopt -s nullglob
package_lists=(/var/lib/apt/lists/*_Packages /var/lib/apt/lists/*_Packages.*)
translations=(/var/lib/apt/lists/*_i18n_Translation-en /var/lib/apt/lists/*_i18n_Translation-en.*)
shopt -u nullglob
if [ -z "$source" ]; then
  if [ ${#package_lists[@]} -gt 0 ]; then source=archive; else source=installed; fi
fi
case "$source" in
  archive)
    [ ${#package_lists[@]} -gt 0 ] || { echo "no package lists in /var/lib/apt/lists: run apt-get update" >&2; exit 1; }
    packages_sources=("${package_lists[@]}" "${translations[@]}")
    packages_convert=(--packages "${package_lists[@]}")
    [ ${#translations[@]} -eq 0 ] || packages_convert+=(--translations "${translations[@]}") ;;
  installed)
    packages_sources=("$status_file")
    packages_convert=(--status "$status_file") ;;
  *) echo "unknown source $source (archive or installed)" >&2; exit 2 ;;
esac
for program in zoltgate zoltdb debian2jsonl; do
  [ -x "$build/$program" ] || { echo "$build/$program is missing: build it first" >&2; exit 1; }
done
schema="$root/tools/debian_packages.json"
zoltdb() { "$build/zoltdb" --data "$site/data" "$@"; }

# Files of the installation; written anew each time, so edits in examples/demo show.
mkdir -p "$site/cache" "$site/data" "$site/log" "$site/cgi-bin" "$site/htdocs" "$site/templates"
for file in zoltgate.conf zolt.rcs; do
  sed "s|@DEMO@|$site|g" "$root/examples/demo/$file.in" > "$site/$file"
done
cp "$root"/examples/demo/htdocs/* "$site/htdocs/"
cp "$root"/examples/demo/templates/* "$site/templates/"
# The login form for databases of no application: the gateway looks beside its configuration.
cp "$root/examples/demo/templates/login.zgw" "$site/login.zgw"
install -m 755 "$build/zoltgate" "$site/cgi-bin/zoltgate"

# needs_load NAME SOURCE-TEXT FILE...: true when SITE/data/NAME.zdb is missing, was
# loaded from other sources, or is older than one of the files.
needs_load() {
  local name=$1 text=$2 file
  shift 2
  local db="$site/data/$name.zdb"
  [ -f "$db" ] || return 0
  [ "$(cat "$site/data/$name.source" 2>/dev/null)" = "$text" ] || return 0
  for file in "$@" "$schema"; do
    [ "$db" -nt "$file" ] || return 0
  done
  return 1
}

# load NAME CONVERTER-ARGUMENT...: converts and loads into a staging directory, then
# moves the finished database into place, so a load that fails leaves no half database.
load() {
  local name=$1 staging="$site/data.new"
  shift
  rm -rf "$staging"
  mkdir -p "$staging"
  echo "Loading the database $name"
  "$build/debian2jsonl" "$@" > "$staging/$name.jsonl"
  "$build/zoltdb" --data "$staging" create "$name" --schema "$schema" >/dev/null
  "$build/zoltdb" --data "$staging" load "$name" "$staging/$name.jsonl"
  mv -f "$staging/$name.zdb" "$site/data/$name.zdb"
  rm -rf "$staging"
}

packages_text="$source ${packages_sources[*]}"
if needs_load packages "$packages_text" "${packages_sources[@]}"; then
  load packages "${packages_convert[@]}"
  echo "$packages_text" > "$site/data/packages.source"
fi
if needs_load installed "installed $status_file" "$status_file"; then
  load installed --status "$status_file"
  echo "installed $status_file" > "$site/data/installed.source"
fi

# Users: the public user reads the archive only; the demo user both databases.
[ -f "$site/data/zolt.sys" ] || zoltdb init --no-public-user >/dev/null
zoltdb user add zoltgate --databases packages >/dev/null
zoltdb user add "$demo_user" --password "$demo_password" --databases packages,installed >/dev/null
