#!/bin/sh
# Runs a Windows program under Wine in the build tree's own prefix:
#   wine-run.sh [--wine LOADER] PREFIX PROGRAM [ARGS...]   run PROGRAM
#   wine-run.sh [--wine LOADER] PREFIX --init              only make sure the prefix exists
#   wine-run.sh [--wine LOADER] PREFIX --kill              stop the prefix's wineserver
# CMake uses it as the cross-compiling emulator, so every test of a Windows tree
# gets the same environment. A fresh prefix takes seconds to build; the first
# caller builds it under a lock while parallel callers wait for it.
# Without --wine it is the system's 64-bit Wine; the i686 tree passes the WoW64 Wine's
# loader (scripts/wine-wow64.sh), whose wineserver lies beside it.
set -eu

wine=
if [ "${1:-}" = "--wine" ]; then
    wine=$2
    shift 2
    if [ ! -x "$wine" ]; then
        echo "wine-run.sh: no Wine loader at $wine (run scripts/wine-wow64.sh)" >&2
        exit 127
    fi
    wineserver=$(dirname "$wine")/wineserver
    # A loader outside the standard paths must meet its own wineserver.
    WINESERVER=$wineserver
    export WINESERVER
fi
prefix=$1
shift

WINEPREFIX=$prefix
WINEDEBUG=${TPX_WINEDEBUG:--all}
# No Mono/Gecko install prompts in a fresh prefix.
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES

if [ -z "$wine" ]; then
    wine=/usr/lib/wine/wine64
    [ -x "$wine" ] || wine=$(command -v wine64 || true)
    wineserver=/usr/lib/wine/wineserver
    [ -x "$wineserver" ] || wineserver=$(command -v wineserver || true)
fi
if [ -z "$wine" ]; then
    echo "wine-run.sh: no 64-bit Wine loader found (install wine64)" >&2
    exit 127
fi

if [ "${1:-}" = "--kill" ]; then
    [ -d "$prefix" ] && [ -n "$wineserver" ] && "$wineserver" -k 2>/dev/null || true
    exit 0
fi

# Raise when the prefix set-up below changes: older prefixes are then set up again.
prefix_version=2
ready=$prefix/.tpx-ready
prefix_ready() { [ "$(cat "$ready" 2>/dev/null)" = "$prefix_version" ]; }

init_prefix() {
    prefix_ready && return 0
    mkdir -p "$(dirname "$prefix")"
    (
        flock 9
        if ! prefix_ready; then
            "$wine" wineboot -i >/dev/null 2>&1
            # Wine draws the window frames itself: with no window manager on the
            # virtual display, captions would otherwise be missing from screenshots.
            "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
            # Debian's Wine does not find its own fonts; the caption buttons' symbols
            # come from Marlett. (Text fonts stay as they are: layouts depend on them.)
            # (A private Wine keeps its share folder three levels above the loader.)
            for font in "$(dirname "$wine")/../../../share/wine/fonts/marlett.ttf" \
                /usr/share/wine/fonts/marlett.ttf; do
                if [ -f "$font" ]; then
                    cp "$font" "$prefix/drive_c/windows/Fonts/"
                    break
                fi
            done
            [ -n "$wineserver" ] && "$wineserver" -w || true
            echo "$prefix_version" >"$ready"
        fi
    ) 9>"$prefix.lock"
}

init_prefix
[ "${1:-}" = "--init" ] && exit 0
exec "$wine" "$@"
