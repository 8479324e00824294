#!/usr/bin/env bash
# Every regression input of tests/data through qarvel.exe and the DLL under Wine, each as a song
# and each as a stored settings file for the demo song: every one plays or is refused (exit
# status 0 or 2), none crashes.
#
#   regression_inputs.sh WINE QARVEL_EXE TEST_DATA_FOLDER WORK_FOLDER
set -uo pipefail
wine=$1 qarvel_exe=$2 data=$3 work=$4
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
rm -rf "$work" && mkdir -p "$work"

# Each under a .dmf name, so that the plug-in's type test lets every one through to the loader.
mkdir -p "$work/songs"
inputs=("$data"/*)
win_inputs=()
for f in "${inputs[@]}"; do
    cp "$f" "$work/songs/$(basename "$f").dmf"
    win_inputs+=("$(winpath "$work/songs/$(basename "$f").dmf")")
done
status=0
"$wine" "$qarvel_exe" --config "$(winpath "$work/none.settings")" render --format f32 \
    --out-dir "$(winpath "$work")" "${win_inputs[@]}" > /dev/null 2> "$work/songs.log"
code=$?
if [ $code -ne 0 ] && [ $code -ne 2 ]; then
    echo "the inputs as songs ended with status $code:"; tail -5 "$work/songs.log"; status=1
fi
played=$(find "$work" -maxdepth 1 -name '*.f32' | wc -l)
echo "${#inputs[@]} inputs as songs: $played played, the rest refused (status $code)"

for f in "$data"/*.settings; do
    "$wine" "$qarvel_exe" --config "$(winpath "$f")" render --format f32 --seconds 2 \
        -o "$(winpath "$work/settings.f32")" --force > /dev/null 2>> "$work/settings.log"
    code=$?
    if [ $code -ne 0 ] && [ $code -ne 2 ]; then
        echo "$(basename "$f") as stored settings ended with status $code"; status=1
    fi
done
[ $status -eq 0 ] && echo "every input played or was refused"
exit $status
