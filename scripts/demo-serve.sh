#!/usr/bin/env bash
# Serves a demo site set up by demo-setup.sh with lighttpd on 127.0.0.1:PORT, in the
# foreground, until Ctrl-C or SIGTERM; then stops lighttpd and leaves nothing running.
#   bash scripts/demo-serve.sh SITE PORT
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 2 ] || { echo "usage: demo-serve.sh SITE PORT" >&2; exit 2; }
site=$(cd "$1" && pwd)
port=$2
case "$port" in
  ''|*[!0-9]*) echo "PORT must be a number, not '$port'" >&2; exit 2 ;;
esac
command -v lighttpd >/dev/null || { echo "lighttpd is not installed: run bash scripts/install-deps.sh" >&2; exit 1; }

sed -e "s|@DEMO@|$site|g" -e "s|@PORT@|$port|g" "$root/examples/demo/lighttpd.conf.in" > "$site/lighttpd.conf"
lighttpd -tt -f "$site/lighttpd.conf" >/dev/null
if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
  echo "Port $port on 127.0.0.1 is in use; choose another: PORT=8081 bash scripts/demo.sh" >&2
  exit 1
fi

log="$site/log/lighttpd.log"
: > "$log"
lighttpd -D -f "$site/lighttpd.conf" &
server=$!
stop() {
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
}
trap stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Up when the port answers; lighttpd reports a failed start in its log.
for _ in $(seq 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "lighttpd did not start:" >&2
    cat "$log" >&2
    exit 1
  fi
  sleep 0.1
done
(exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "lighttpd does not answer on port $port" >&2; cat "$log" >&2; exit 1; }

echo "The demo site is served: open http://127.0.0.1:$port/zoltgate/ (Ctrl-C stops it)"
wait "$server"
