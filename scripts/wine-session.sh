# Sourced by the scripts that run Windows programs: starts a virtual screen (Xvfb) on a free
# display and prepares a Wine prefix inside the given build folder, with Wine's own messages
# silenced; wine_session_end stops Wine's server and the screen again.
#
#   source scripts/wine-session.sh BUILD_FOLDER && wine_session_start && ...; wine_session_end

wine_session_folder=$1
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver
wine_session_xvfb=""

wine_session_start() {
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp > "$wine_session_folder/xvfb.log" 2>&1 &
    wine_session_xvfb=$!
    export DISPLAY=":$n"
    local tries=0
    until [ -e "/tmp/.X11-unix/X$n" ] || [ $tries -ge 50 ]; do sleep 0.1; tries=$((tries + 1)); done
    export WINEPREFIX="$wine_session_folder/wineprefix"
    export WINEDEBUG=-all
    # No Mono or Gecko: nothing here needs .NET or a browser, and asking for them would wait.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    local started=$SECONDS
    "$WINE" wineboot -i > "$wine_session_folder/wineboot.log" 2>&1 || return 1
    # A server that stays up between programs: each program then starts in about half a
    # second instead of about three.
    "$WINESERVER" -p
    echo "Wine prefix ready in $((SECONDS - started)) s ($WINEPREFIX, display $DISPLAY)"
}

wine_session_end() {
    [ -n "${WINEPREFIX:-}" ] && "$WINESERVER" -k > /dev/null 2>&1
    if [ -n "$wine_session_xvfb" ]; then
        kill "$wine_session_xvfb" 2> /dev/null
        wait "$wine_session_xvfb" 2> /dev/null
    fi
    wine_session_xvfb=""
}
