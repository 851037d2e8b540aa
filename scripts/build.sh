#!/bin/sh
# Configures and builds everything (program, libraries, test programs) into
# build/ with the MinGW-w64 cross compiler. Assumes scripts/bootstrap.sh ran.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build"
