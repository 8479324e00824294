#!/usr/bin/env bash
# qarvel.exe prefs under Wine: two changes in a row through the real controls, each saved over
# the settings file the one before wrote, and what the next command reads back.
#
#   prefs_command.sh WINE QARVEL_EXE WORK_FOLDER
set -uo pipefail
wine=$1 qarvel_exe=$2 work=$3
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
rm -rf "$work" && mkdir -p "$work"
settings=$(winpath "$work/tarnwick.settings")

"$wine" "$qarvel_exe" --config "$settings" prefs set srate 22025 > /dev/null || exit 1
"$wine" "$qarvel_exe" --config "$settings" prefs slide vol 400 > /dev/null || exit 1
shown=$("$wine" "$qarvel_exe" --config "$settings" prefs show | tr -d '\r')
status=0
grep -q '^settings: loop=0 ramplen=3000 vol=400 rsmode=1 srate=22025$' <<< "$shown" ||
    { echo "the second change did not replace the first's file:"; echo "$shown" | tail -n 1; status=1; }
grep -q '\[1004\] edit box: "0.4"' <<< "$shown" || { echo "the box does not show 0.4"; status=1; }
size=$(stat -c %s "$work/tarnwick.settings")
[ "$size" = 85 ] || { echo "the settings file holds $size bytes, not 85"; status=1; }
exit $status
