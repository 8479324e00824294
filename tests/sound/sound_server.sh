#!/usr/bin/env bash
# A PulseAudio server of the tests' own: sound_server.sh start|stop DIR
# start: runs pulseaudio with a null sink ("qarvel_test", 32-bit float stereo at 44100 Hz)
#        and a socket at DIR/native, with its runtime, state and home all inside DIR; waits
#        until it answers, and fails (with its log) when it does not.
# stop:  ends that server and removes DIR.
# Clients reach it with PULSE_SERVER=unix:DIR/native; `parec -d qarvel_test.monitor` records
# what the sink was given.
set -euo pipefail
action=$1
dir=$2

server_env() {
    export HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" XDG_CONFIG_HOME="$dir/home/.config"
    export PULSE_RUNTIME_PATH="$dir/runtime/pulse" PULSE_STATE_PATH="$dir/state"
    export PULSE_SERVER="unix:$dir/native"
    unset DISPLAY DBUS_SESSION_BUS_ADDRESS
}

stop_server() {
    if [ -f "$dir/pid" ]; then
        local pid
        pid=$(cat "$dir/pid")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    fi
}

case $action in
start)
    command -v pulseaudio >/dev/null && command -v parec >/dev/null || {
        echo "sound_server.sh: pulseaudio and parec are needed (scripts/install-deps.sh)" >&2
        exit 1
    }
    stop_server
    rm -rf "$dir"
    mkdir -p "$dir/home" "$dir/runtime" "$dir/state"
    chmod 700 "$dir/runtime"
    server_env
    cat > "$dir/server.pa" <<PA
load-module module-native-protocol-unix socket=$dir/native auth-anonymous=1
load-module module-null-sink sink_name=qarvel_test format=float32le rate=44100 channels=2 norewinds=1
set-default-sink qarvel_test
PA
    # -n: none of the system's default modules; the server never exits on its own.
    pulseaudio -n -F "$dir/server.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
        --log-target=file:"$dir/server.log" --log-level=notice </dev/null >/dev/null 2>&1 &
    echo $! > "$dir/pid"
    for _ in $(seq 100); do
        if pactl info >/dev/null 2>&1; then exit 0; fi
        kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
        sleep 0.1
    done
    echo "sound_server.sh: pulseaudio did not start; its log:" >&2
    cat "$dir/server.log" >&2 || true
    stop_server
    exit 1
    ;;
stop)
    stop_server
    rm -rf "$dir"
    ;;
*)
    echo "usage: sound_server.sh start|stop DIR" >&2
    exit 1
    ;;
esac
