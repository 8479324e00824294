#!/usr/bin/env bash
# Renders songs with one edition's i686 plug-in (its qarvel run under the emulator) and with
# the 64-bit build folder of the same edition, in one resampling mode with ramping off (at
# 44100 Hz), light (48000 Hz) and heavy (22050 Hz), and fails unless every render is the same
# to the last bit:
#   renders_match_64bit.sh EMULATOR QARVEL PLUGIN REFERENCE_BUILD MODE CHECK WORK SONG|DIR...
# CHECK is tarnwick_render_check (compare); a DIR stands for its .dmf files.
set -uo pipefail
emulator=$1 qarvel=$2 plugin=$3 reference=$4 mode=$5 check=$6 work=$7
shift 7
songs=()
for arg in "$@"; do
    if [ -d "$arg" ]; then songs+=("$arg"/*.dmf); else songs+=("$arg"); fi
done
if [ ! -x "$reference/qarvel/qarvel" ]; then
    echo "no 64-bit qarvel in $reference"
    exit 1
fi

rm -rf "$work"
failed=0
for setting in off:44100 light:48000 heavy:22050; do
    ramp=${setting%:*} rate=${setting#*:}
    for side in i686 x86_64; do
        mkdir -p "$work/$side-$ramp"
        if [ $side = i686 ]; then
            run=("$emulator" "$qarvel" --plugin "$plugin")
        else
            run=("$reference/qarvel/qarvel" --plugin "$reference/libqrv_tarnwick.so")
        fi
        "${run[@]}" --config "$work/none.settings" render --format f32 --rate "$rate" \
            --mode "$mode" --ramp "$ramp" --out-dir "$work/$side-$ramp" "${songs[@]}" \
            > /dev/null 2> "$work/$side-$ramp.log"
        echo $? > "$work/$side-$ramp.status"
    done
    if ! cmp -s "$work/i686-$ramp.status" "$work/x86_64-$ramp.status"; then
        echo "ramp $ramp: qarvel exits with $(cat "$work/i686-$ramp.status") on i686," \
             "$(cat "$work/x86_64-$ramp.status") on x86-64"
        cat "$work/i686-$ramp.log"
        failed=1
    fi
    i686_files=$(cd "$work/i686-$ramp" && ls)
    x86_64_files=$(cd "$work/x86_64-$ramp" && ls)
    if [ "$i686_files" != "$x86_64_files" ] || [ -z "$x86_64_files" ]; then
        echo "ramp $ramp: rendered on i686: [$i686_files], on x86-64: [$x86_64_files]"
        failed=1
        continue
    fi
    for file in $x86_64_files; do
        printf '%-7s %-5s %5s Hz  %-55s ' "$mode" "$ramp" "$rate" "$file"
        "$emulator" "$check" compare "$work/i686-$ramp/$file" "$work/x86_64-$ramp/$file" || failed=1
    done
done
exit $failed
