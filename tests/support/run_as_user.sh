#!/bin/sh
# Runs a Windows test program under Wine as an ordinary user. Under Wine,
# root writes through a file's read-only mark, so what depends on the mark
# holds for real only when the tests run as somebody else: here the user
# nobody, in a Wine prefix of its own made for the run (Wine takes only a
# prefix that the user owns). Run by anyone but root, it is the plain run.
# Arguments: the Wine runner, the test program, then the program's own.
set -eu
runner=$1
program=$2
shift 2

if [ "$(id -u)" != 0 ]; then
    exec "$runner" "$program" "$@"
fi

user=nobody
uid=$(id -u "$user")
gid=$(id -g "$user")
work=$(mktemp -d)
cleanup() { rm -rf "$work"; }
trap cleanup EXIT
# The program is copied out of the build folder, whose parents the user may
# not be allowed to enter.
chmod 755 "$work"
cp "$program" "$work/"
mkdir "$work/home"
chown "$uid:$gid" "$work/home"

as_user() {
    setpriv --reuid="$uid" --regid="$gid" --clear-groups \
        env -i PATH="$PATH" HOME="$work/home" USER="$user" WINEPREFIX="$work/home/prefix" WINEDEBUG=-all \
        WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=" "$@"
}

# The output goes to a file: Wine's background services, started with the
# prefix, inherit it and would keep CTest's pipe open after the test ends.
status=0
as_user wine "$work/$(basename "$program")" "$@" >"$work/output.txt" 2>&1 </dev/null || status=$?
as_user wineserver -k >/dev/null 2>&1 || true
cat "$work/output.txt"
exit "$status"
