# Sourced by the scripts that run Windows programs: a quiet Wine without Mono or Gecko installs.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=d;mshtml=d"

# Creates the prefix once. Without a window manager (a private Xvfb display, with_wm=N) Wine must
# draw the window frames itself and must not wait for a manager to hide a closed window, so such
# prefixes get unmanaged, undecorated windows.
prepare_wine_prefix() {
    local prefix=$1 with_wm=$2
    [ -f "$prefix/.tarnvik-ready" ] && return 0
    mkdir -p "$(dirname "$prefix")"
    (
        flock 9
        if [ ! -f "$prefix/.tarnvik-ready" ]; then
            WINEPREFIX=$prefix wineboot -i >/dev/null 2>&1
            for value in Decorated Managed; do
                WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\X11 Driver' /v $value \
                    /d "$with_wm" /f >/dev/null 2>&1
            done
            WINEPREFIX=$prefix wineserver -w
            touch "$prefix/.tarnvik-ready"
        fi
    ) 9>"$prefix.lock"
}

# Starts the prefix's Wine server and system processes apart from any test's output pipes: a
# server started by a test would inherit that test's stdout, and ctest would wait for it to end.
start_wine_session() {
    local prefix=$1
    WINEPREFIX=$prefix wineserver -p </dev/null >/dev/null 2>&1
    WINEPREFIX=$prefix wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}
