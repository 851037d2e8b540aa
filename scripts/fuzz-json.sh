#!/bin/sh
# Fuzzes the JSON reader: builds tests/fuzz/json_fuzz.cpp natively with clang
# and the address and undefined-behaviour sanitizers, then runs it for the
# given number of seconds (default 30) from the seed corpus in
# tests/fuzz/json_corpus. Exits non-zero on any finding; the input that
# caused it is left in the work folder (default build/fuzz) as crash-*,
# leak-*, timeout-* or oom-*. New inputs the fuzzer finds go to the work
# folder's corpus/, never into the repository's seeds.
# Usage: scripts/fuzz-json.sh [seconds] [work-folder]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
work=${2:-"$root/build/fuzz"}

mkdir -p "$work/corpus"
clang++-14 -std=c++17 -O1 -g -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -Wall -Wextra -Werror -I"$root" \
    "$root/core/json.cpp" "$root/tests/fuzz/json_fuzz.cpp" \
    -o "$work/json_fuzz"

cd "$work"
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
exec ./json_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -dict="$root/tests/fuzz/json.dict" -print_final_stats=1 \
    -artifact_prefix="$work/" corpus "$root/tests/fuzz/json_corpus"
