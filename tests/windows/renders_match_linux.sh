#!/usr/bin/env bash
# The same songs through qarvel.exe and the Windows DLL under Wine, and through the Linux
# qarvel and library of the same edition: the same songs refused, the same information, the
# same frame counts, and audio alike. Prints the largest and RMS difference per resampling mode;
# fails when linear mode differs by more than 1e-5 RMS or a nearest/cubic render by more than
# 1e-3 RMS (the platforms' maths libraries may round sin and exp differently in the last place).
#
#   renders_match_linux.sh WINE QARVEL_EXE PLUGIN_DLL LINUX_BUILD_FOLDER WORK_FOLDER
set -uo pipefail
wine=$1 qarvel_exe=$2 dll=$3 linux=$4 work=$5
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

songs=("$root/demo/demo.dmf" "$root"/tests/data/*.dmf)
win_songs=()
for s in "${songs[@]}"; do win_songs+=("$(winpath "$s")"); done
rm -rf "$work" && mkdir -p "$work"
no_settings=$work/no.settings  # missing: the defaults

status=0
for mode in nearest linear cubic; do
    mkdir -p "$work/win-$mode" "$work/linux-$mode"
    "$wine" "$qarvel_exe" --plugin "$(winpath "$dll")" --config "$(winpath "$no_settings")" \
        render --format f32 --mode "$mode" --out-dir "$(winpath "$work/win-$mode")" \
        "${win_songs[@]}" > /dev/null 2> "$work/win-$mode.log"
    win_status=$?
    "$linux/qarvel/qarvel" --plugin "$linux/libqrv_tarnwick.so" --config "$no_settings" \
        render --format f32 --mode "$mode" --out-dir "$work/linux-$mode" \
        "${songs[@]}" > /dev/null 2> "$work/linux-$mode.log"
    linux_status=$?
    if [ "$win_status" != "$linux_status" ]; then
        echo "$mode: exit status $win_status on Windows, $linux_status on Linux"; status=1
    fi
done

# Track information: the same JSON but for the file name each platform was given.
"$wine" "$qarvel_exe" --plugin "$(winpath "$dll")" --config "$(winpath "$no_settings")" \
    info --json "${win_songs[@]}" 2> /dev/null | sed 's/^{"file": "[^"]*"/{"file": ""/' \
    | tr -d '\r' > "$work/win-info.json"
"$linux/qarvel/qarvel" --plugin "$linux/libqrv_tarnwick.so" --config "$no_settings" \
    info --json "${songs[@]}" 2> /dev/null | sed 's/^{"file": "[^"]*"/{"file": ""/' \
    > "$work/linux-info.json"
if ! cmp -s "$work/win-info.json" "$work/linux-info.json"; then
    echo "track information differs:"; diff "$work/win-info.json" "$work/linux-info.json" | head -20
    status=1
fi

python3 "$here/compare_renders.py" "$work" || status=1
exit $status
