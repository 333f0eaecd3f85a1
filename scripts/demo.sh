#!/usr/bin/env bash
# The demo site in one command: installs what it needs, builds the gateway, sets up the
# site in demo/ (the Debian archive's packages, or the installed ones when apt has no
# lists) and serves it with lighttpd on 127.0.0.1:$PORT (8080 by default) until Ctrl-C.
set -euo pipefail
cd "$(dirname "$0")/.."
port=${PORT:-8080}

bash scripts/install-deps.sh
echo "Building zoltgate, zoltdb and debian2jsonl in build/"
# The compiler's and linker's words go to a log, shown when the build fails.
mkdir -p build
if ! { cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
       cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target zoltgate zoltdb debian2jsonl; } \
     > build/demo-build.log 2>&1; then
  cat build/demo-build.log >&2
  echo "The build failed (build/demo-build.log)" >&2
  exit 1
fi

# The long descriptions of the archive's packages are in apt's Translation-en lists,
# which apt fetches only when asked; without them the records keep their short titles.
shopt -s nullglob
lists=(/var/lib/apt/lists/*_Packages*)
translations=(/var/lib/apt/lists/*_i18n_Translation-en*)
shopt -u nullglob
if [ ${#lists[@]} -gt 0 ] && [ ${#translations[@]} -eq 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if [ -z "$sudo" ] || command -v sudo >/dev/null; then
    echo "Fetching apt's English package descriptions (apt-get update -o Acquire::Languages=en)"
    $sudo apt-get update -qq -o Acquire::Languages=en ||
      echo "Could not fetch them: the records will have short descriptions only"
  fi
fi

bash scripts/demo-setup.sh --build build demo
exec bash scripts/demo-serve.sh demo "$port"
