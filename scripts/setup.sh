#!/usr/bin/env bash
# First command of the README: installs what is needed, builds the vanilla edition, renders
# the given song (with no song, the project's own demo song) to a WAV file in the current
# folder and prints its information.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
(cd "$root" && scripts/build.sh vanilla -DTARNWICK_EDITION=vanilla -DTARNWICK_TESTS=OFF -DTARNWICK_BENCH=OFF)
qarvel=$root/build/vanilla/qarvel/qarvel
"$qarvel" render --force "$@"
"$qarvel" info "$@"
