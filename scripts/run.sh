#!/bin/sh
# Sets up the machine, builds everything and starts the program under Wine
# on the current display, from a program folder of its own (build/run/), so
# that its database, settings, log, backups and image cache land beside it
# as they would on Windows.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"

"$root/scripts/bootstrap.sh"
"$root/scripts/build.sh"

if [ -z "${DISPLAY:-}" ]; then
    echo "No display: run this from a desktop session (DISPLAY is not set)."
    exit 1
fi

mkdir -p "$build/run"
cp "$build/app/binderwell.exe" "$build/run/binderwell.exe"

. "$root/scripts/wine-env.sh"
wine_prefix_ready "$build/wineprefix"
exec wine "$build/run/binderwell.exe"
