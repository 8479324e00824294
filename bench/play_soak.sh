#!/usr/bin/env bash
# Soak run of `qarvel play`, by hand (not part of the test command):
#   bench/play_soak.sh [BUILD_DIR] [SECONDS]      (build/vanilla, 600)
# Plays the demo song looping for SECONDS into the null sink of a PulseAudio server of its own
# and reports the underruns the player counted (0 expected), its CPU use, and its resident
# memory a few seconds in and at the end (no growth expected).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/vanilla}
seconds=${2:-600}
qarvel=$build/qarvel/qarvel
[ -x "$qarvel" ] || { echo "no $qarvel: build the qarvel target first" >&2; exit 1; }

server=$(mktemp -d /tmp/qarvel-soak-XXXXXX)
tests/sound/sound_server.sh start "$server"
trap 'tests/sound/sound_server.sh stop "$server"' EXIT
export PULSE_SERVER=unix:$server/native SDL_AUDIODRIVER=pulseaudio
config=$(mktemp -d /tmp/qarvel-soak-config-XXXXXX)

rss_kib() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
# User plus system time in clock ticks (fields 14 and 15 of /proc/PID/stat).
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

XDG_CONFIG_HOME=$config "$qarvel" play --loop --seconds "$seconds" </dev/null 2>"$config/log" &
pid=$!
sleep 5
rss_start=$(rss_kib "$pid")
ticks_start=$(cpu_ticks "$pid")
start=$(date +%s.%N)
sleep $((seconds - 7))
rss_end=$(rss_kib "$pid")
ticks_end=$(cpu_ticks "$pid")
end=$(date +%s.%N)
status=0
wait "$pid" || status=$?
hz=$(getconf CLK_TCK)

echo "qarvel play --loop --seconds $seconds (exit status $status):"
cat "$config/log"
awk -v t0="$ticks_start" -v t1="$ticks_end" -v hz="$hz" -v w0="$start" -v w1="$end" \
    'BEGIN { printf "CPU: %.2f s over %.0f s of playing = %.2f%% of one core\n",
             (t1 - t0) / hz, w1 - w0, 100 * (t1 - t0) / hz / (w1 - w0) }'
echo "resident memory: ${rss_start} KiB after 5 s, ${rss_end} KiB at the end"
rm -rf "$config"
