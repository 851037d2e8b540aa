#!/bin/sh
# Fetches the official SQLite amalgamation, untouched, from the npm package
# that ships it, checks it against the pinned hashes and unpacks sqlite3.c and
# sqlite3.h into third_party/sqlite (kept out of git). Does nothing when they
# are already there.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
dest="$root/third_party/sqlite"

NPM_PACKAGE=sqlite3@6.0.1
NPM_TARBALL=sqlite3-6.0.1.tgz
NPM_SHA256=ab8d044a93e05bd031d7ea75547c7fa60387cdc259d27f93c0e3e2832c4b1df9
AUTOCONF=sqlite-autoconf-3520000
AUTOCONF_SHA256=f6b50b0c103392af32a8be15b2b9d25959de9a00a70c3979128aafeaa5338b3f

if [ -f "$dest/sqlite3.c" ] && [ -f "$dest/sqlite3.h" ] && [ -f "$dest/$AUTOCONF.ok" ]; then
    exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent "$NPM_PACKAGE" >/dev/null)
echo "$NPM_SHA256  $work/$NPM_TARBALL" | sha256sum -c --quiet -
tar -xzf "$work/$NPM_TARBALL" -C "$work" "package/deps/$AUTOCONF.tar.gz"
echo "$AUTOCONF_SHA256  $work/package/deps/$AUTOCONF.tar.gz" | sha256sum -c --quiet -
tar -xzf "$work/package/deps/$AUTOCONF.tar.gz" -C "$work" "$AUTOCONF/sqlite3.c" "$AUTOCONF/sqlite3.h"

rm -rf "$dest"
mkdir -p "$dest"
mv "$work/$AUTOCONF/sqlite3.c" "$work/$AUTOCONF/sqlite3.h" "$dest/"
touch "$dest/$AUTOCONF.ok"
echo "SQLite amalgamation $AUTOCONF ready in third_party/sqlite"
