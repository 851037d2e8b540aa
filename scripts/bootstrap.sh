#!/bin/sh
# Installs what building and testing need on a Debian machine, as root, and
# fetches the SQLite amalgamation. Does nothing when all of it is there.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)

PACKAGES="g++-mingw-w64-x86-64-posix wine wine64 xvfb cmake ninja-build googletest clang-14 libclang-rt-14-dev nlohmann-json3-dev chromium python3 openssl libreoffice-calc"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
# npm may come with a Node.js installed some other way; any npm will do.
if ! command -v npm >/dev/null 2>&1; then
    missing="$missing npm"
fi
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq $missing
fi

"$root/scripts/fetch-sqlite.sh"

# The store page's browser tests drive Debian's Chromium with playwright-core,
# pinned by its lock file; installed again only when the lock file changed.
browser_tests="$root/tests/publish/browser"
if [ ! -f "$browser_tests/node_modules/.package-lock.json" ] ||
   [ "$browser_tests/package-lock.json" -nt "$browser_tests/node_modules/.package-lock.json" ]; then
    (cd "$browser_tests" && npm ci --no-audit --no-fund)
fi
