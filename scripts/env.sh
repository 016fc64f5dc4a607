# Shared settings of the scripts: sourced, not run.
PQIF_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PQIF_BUILD=${PQIF_BUILD:-$PQIF_ROOT/build}
export WINEPREFIX=${WINEPREFIX:-$PQIF_BUILD/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko prompts: nothing here needs them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
PQIF_WIN=$PQIF_BUILD/win
PQIF_NATIVE=$PQIF_BUILD/native
PQIF_BIN=$PQIF_WIN/bin

# Starts Xvfb when there is no display, and a persistent wineserver so that
# each Wine process starts quickly. pqif_stop_session undoes both.
pqif_start_session() {
    if [ -z "${DISPLAY:-}" ]; then
        local n=${PQIF_XVFB_DISPLAY:-97}
        while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        PQIF_XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    fi
    wineserver -p >/dev/null 2>&1 || true
    # Start the prefix's own services now, so they do not hold a test's output open.
    wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

pqif_stop_session() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "${PQIF_XVFB_PID:-}" ]; then
        kill "$PQIF_XVFB_PID" 2>/dev/null || true
        wait "$PQIF_XVFB_PID" 2>/dev/null || true
        unset PQIF_XVFB_PID
    fi
}
