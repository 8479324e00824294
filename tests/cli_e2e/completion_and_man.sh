#!/usr/bin/env bash
# The bash completion and the manual page held against qarvel's own --help: every option that
# a command's help lists is completed and documented; commands, option values, songs (.dmf in
# any letter case, names with spaces) and folders complete; the page renders without warnings.
#
#   completion_and_man.sh QARVEL COMPLETION MANUAL_PAGE
set -uo pipefail
qarvel=$(realpath "$1") completion=$(realpath "$2") manual=$(realpath "$3")
# shellcheck source=/dev/null
source "$completion"
status=0
fail() { echo "$*"; status=1; }

# What the completion offers for a command line whose last word is being typed, sorted.
offered() {
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMPREPLY=()
    _qarvel
    [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | sort
}
lines() { printf '%s\n' "$@" | sort; }

page=$(sed 's/\\-/-/g' "$manual")
for command in "" info render play prefs about; do
    words=$(offered qarvel $command -)
    # shellcheck disable=SC2086
    for option in $("$qarvel" $command --help | grep -oE '^ +(-[a-zA-Z],)?--[a-z][a-z0-9-]*' |
                    tr ',' '\n' | tr -d ' '); do
        grep -qx -- "$option" <<< "$words" || fail "qarvel $command: $option is not completed"
        grep -qF -- "$option" <<< "$page" || fail "qarvel $command: $option is not in the page"
    done
done

work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
cd "$work" && mkdir "my songs" && touch a.dmf B.DMF notes.txt "my songs/c.dmf"
check() {  # check WHAT EXPECTED ACTUAL
    [ "$2" = "$3" ] || fail "$1: offered [$(echo $3)], expected [$(echo $2)]"
}
check "songs and folders" "$(lines B.DMF a.dmf 'my songs')" "$(offered qarvel render '')"
check "a folder's songs" "$(lines 'my songs/c.dmf')" "$(offered qarvel info 'my songs/')"
check "commands and songs" "$(lines B.DMF a.dmf about info 'my songs' play prefs render)" \
    "$(offered qarvel '')"
check "--mode" "$(lines cubic linear nearest)" "$(offered qarvel render --mode '')"
check "--format" "$(lines f32 flac wav)" "$(offered qarvel render --format '')"
check "prefs" "$(lines reset set show slide)" "$(offered qarvel prefs '')"
check "prefs set" "$(lines loop ramplen rsmode srate vol)" "$(offered qarvel prefs set '')"
touch lib.so && check "--plugin" "$(lines lib.so 'my songs')" "$(offered qarvel --plugin '')"
check "--out-dir" "$(lines 'my songs')" "$(offered qarvel render --out-dir '')"

warnings=$(groff -man -ww -z "$manual" 2>&1)
[ -z "$warnings" ] || fail "the manual page: $warnings"
exit $status
