# Sourced by the project's scripts: a display, a Wine prefix with a running wineserver,
# and (start_audio) a PulseAudio daemon whose null sink the tests record from.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-pulsorel}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# A virtual display when none is set; VIRTUAL_DISPLAY says that one was started.
start_display() {
    VIRTUAL_DISPLAY=
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return 0
    fi
    export DISPLAY=:77
    VIRTUAL_DISPLAY=1
    if ! xdpyinfo >/dev/null 2>&1; then
        rm -f /tmp/.X77-lock
        Xvfb :77 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
        for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    fi
}

# One persistent wineserver keeps each program start short. Unless WINE_DESKTOP=no,
# Wine draws its own desktop window: without a window manager on the display, every
# window that is activated otherwise waits about 2 s for one.
start_wine() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Preparing the Wine prefix $WINEPREFIX"
        wineboot -i >/dev/null 2>&1
    fi
    wineserver -p 2>/dev/null || true  # already running is fine
    if [ "${WINE_DESKTOP:-yes}" != no ] &&
        ! wine reg query 'HKCU\Software\Wine\Explorer' /v Desktop >/dev/null 2>&1; then
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x800 /f >/dev/null 2>&1
        # The desktop is made when the server starts.
        wineserver -k
        wineserver -w
        wineserver -p
    fi
    # Start Wine's own services now, detached from our output: started by a test
    # program instead, they would hold its output pipe open after it ends.
    wineboot >/dev/null 2>&1 </dev/null
}

# A user daemon with a null sink as the default output; its monitor records what played.
# A second null sink belongs to the sound engine's own tests: they play there (PULSE_SINK)
# so that nothing else sounding at the same time gets into their recordings.
export PULSE_SINK_NAME=pulsorel_null
export ENGINE_SINK_NAME=pulsorel_engine
start_audio() {
    if ! pactl info >/dev/null 2>&1; then
        pulseaudio --daemonize=yes --exit-idle-time=-1 --disallow-exit \
            --log-target=stderr >/dev/null 2>&1 || true
        for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    fi
    for sink in $PULSE_SINK_NAME $ENGINE_SINK_NAME; do
        if ! pactl list short sinks 2>/dev/null | grep -q "	$sink	"; then
            pactl load-module module-null-sink sink_name=$sink \
                sink_properties=device.description=$sink >/dev/null
        fi
    done
    pactl set-default-sink $PULSE_SINK_NAME
}
