#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running need, the demo
# site's web server and the browser test's chromium included. Quick when everything
# is present already; otherwise one apt-get run.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libsqlite3-dev libsodium-dev nlohmann-json3-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  lighttpd chromium chromium-driver python3
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  # A minimal Debian has no sudo: say what to do instead of failing on the command.
  if ! command -v sudo >/dev/null 2>&1; then
    echo "install-deps.sh: missing Debian packages: ${missing[*]}; this needs root and there is no sudo. As root, run:" >&2
    echo "  apt-get update && apt-get install --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
