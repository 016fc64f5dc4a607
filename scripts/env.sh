# Shared settings of the scripts: sourced, not run.
PQIF_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PQIF_BUILD=${PQIF_BUILD:-$PQIF_ROOT/build}

# The product is a 32-bit DLL. Some machines run kernels without 32-bit
# emulation, where no 32-bit program (32-bit Wine included) can start; there
# the Windows tree is built for x86_64 from the same sources and runs under
# 64-bit Wine. The probe is a 96-byte i386 Linux program that only exits.
pqif_runs_32bit() {
    local probe
    probe=$(mktemp)
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x00\x00\x00\x00\xcd\x80' >"$probe"
    chmod +x "$probe"
    local rc=0
    "$probe" 2>/dev/null || rc=1
    rm -f "$probe"
    return $rc
}
if [ -z "${PQIF_ARCH:-}" ]; then
    if pqif_runs_32bit; then PQIF_ARCH=i686; else PQIF_ARCH=x86_64; fi
fi
export PQIF_ARCH
if [ "$PQIF_ARCH" = x86_64 ]; then
    PQIF_WIN_NAME=win64
    export WINEPREFIX=${WINEPREFIX:-$PQIF_BUILD/wineprefix64}
    case ":$PATH:" in *":$PQIF_ROOT/scripts/wine64:"*) ;; *) export PATH="$PQIF_ROOT/scripts/wine64:$PATH" ;; esac
else
    PQIF_WIN_NAME=win
    export WINEPREFIX=${WINEPREFIX:-$PQIF_BUILD/wineprefix}
fi
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko prompts: nothing here needs them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
PQIF_WIN=$PQIF_BUILD/$PQIF_WIN_NAME
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
