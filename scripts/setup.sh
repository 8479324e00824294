#!/usr/bin/env bash
# First command of the README: installs what is needed, builds the vanilla edition and runs
# the main job on the given song (with no song, on the project's own embedded demo song).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh vanilla -DTARNWICK_EDITION=vanilla -DTARNWICK_TESTS=OFF
exec build/vanilla/cli/tarnwick-inspect "$@"
