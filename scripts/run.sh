#!/bin/sh
# Sets up the machine, builds everything and starts the program under Wine
# on the current display.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"

"$root/scripts/bootstrap.sh"
"$root/scripts/build.sh"

program="$build/app/binderwell.exe"
if [ ! -f "$program" ]; then
    echo "The program itself is not built yet: only its core library and tests exist so far."
    exit 1
fi

. "$root/scripts/wine-env.sh"
wine_prefix_ready "$build/wineprefix"
exec wine "$program"
