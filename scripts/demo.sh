#!/usr/bin/env bash
# Builds the installer natively and for Windows and installs the bundled sample pack
# (examples/sample-pack) with each into a demo client installation directory:
#   build/demo/sample-install/native/  tpxinstall, the terminal presentation
#   build/demo/sample-install/win64/   tpxinstall.exe under Wine; on a machine without a
#                                      display it runs on a virtual one and leaves
#                                      screenshots in build/demo/
# With --no-pack it starts each program without a pack (the no-pack dialog) instead.
# Each step is one function; main() lists them in order.
# Environment: TPX_SKIP_SETUP=1 skips the package check; TPX_HEADLESS=1 uses a
# virtual display even when DISPLAY is set.
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

DEMO=$BUILD/demo

build_programs() {
    say "Building the program (native and win64)"
    configure_tree native && build_tree native tpxinstall
    configure_tree win64 && build_tree win64 tpxinstall
}

# prepare_install_dir TREE PROGRAM: a fresh installation directory with the program.
prepare_install_dir() {
    local tree=$1 program=$2
    rm -rf "${DEMO:?}/$tree"
    mkdir -p "$DEMO/$tree"
    cp "$(tree_dir "$tree")/src/app/$program" "$DEMO/$tree/"
    note "installation directory: build/demo/$tree"
}

# run_native [ARGS...]: the native program in its installation directory.
run_native() {
    say "Native: tpxinstall $*"
    local cmd=("$DEMO/native/tpxinstall" "$@")
    # Without a terminal to answer it, do not wait on it forever.
    [ -t 0 ] || cmd=(timeout 60 "${cmd[@]}")
    (cd "$DEMO/native" && "${cmd[@]}") || warn "native program exited with $?"
}

# run_win64 SHOT [ARGS...]: the Windows program under Wine; on a real display the user
# closes its dialog, on a virtual one it is captured to SHOT-N.png and closed.
run_win64() {
    local shot=$1
    shift
    say "Windows: tpxinstall.exe $*"
    wine_run win64 --init
    if [ -n "${DISPLAY:-}" ] && [ "${TPX_HEADLESS:-0}" != 1 ]; then
        wine_run win64 "$DEMO/win64/tpxinstall.exe" "$@" || warn "program exited with $?"
    else
        on_wine_display win64 bash -c 'source "$1"; shift; capture_each_window "$@"' _ \
            "$ROOT/scripts/lib.sh" "$shot" "$ROOT/cmake/wine-run.sh" \
            "$(tree_dir win64)/wineprefix" "$DEMO/win64/tpxinstall.exe" "$@" ||
            warn "program exited with $?"
    fi
    wine_kill win64
}

# --- The sample pack, installed where it stays ---------------------------------------
# demo_sample_install: installs the bundled sample pack (examples/sample-pack) into
# build/demo/sample-install/{native,win64}, whose custom folders are kept between demo
# runs: the first run ends in the success dialog, the next asks before it overwrites.
SAMPLE_HOME=$DEMO/sample-install

demo_sample_install() {
    local pack=$DEMO/sample.tpx tree
    say "Sample pack: examples/sample-pack -> build/demo/sample.tpx"
    python3 "$ROOT/scripts/make_sample_pack.py" "$pack"
    for tree in native win64; do
        mkdir -p "$SAMPLE_HOME/$tree"
        if [ -d "$SAMPLE_HOME/$tree/custom" ]; then
            note "$tree: installed by an earlier run, so the program asks before overwriting"
        fi
    done

    say "Native: build/demo/sample-install/native/tpxinstall sample.tpx"
    cp "$(tree_dir native)/src/app/tpxinstall" "$SAMPLE_HOME/native/"
    if [ -t 0 ]; then
        (cd "$SAMPLE_HOME/native" && ./tpxinstall "$pack") || warn "native program exited with $?"
    else
        # Nobody to answer: say yes to every question (one per folder), if they come.
        (cd "$SAMPLE_HOME/native" && printf 'y\n%.0s' {1..20} | timeout 60 ./tpxinstall "$pack") ||
            warn "native program exited with $?"
    fi
    (cd "$SAMPLE_HOME/native" && find custom -type f | sort | sed 's/^/    /')

    say "Windows: build/demo/sample-install/win64/tpxinstall.exe sample.tpx"
    rm -f "$DEMO"/sample-win64-*.png
    cp "$(tree_dir win64)/src/app/tpxinstall.exe" "$SAMPLE_HOME/win64/"
    wine_run win64 --init
    if [ -n "${DISPLAY:-}" ] && [ "${TPX_HEADLESS:-0}" != 1 ]; then
        wine_run win64 "$SAMPLE_HOME/win64/tpxinstall.exe" "$pack" || warn "program exited with $?"
    else
        on_wine_display win64 bash -c 'source "$1"; shift; capture_each_window "$@"' _ \
            "$ROOT/scripts/lib.sh" \
            "$DEMO/sample-win64" "$ROOT/cmake/wine-run.sh" "$(tree_dir win64)/wineprefix" \
            "$SAMPLE_HOME/win64/tpxinstall.exe" "$pack" || warn "program exited with $?"
    fi
    wine_kill win64
    (cd "$SAMPLE_HOME/win64" && find custom -type f | sort | sed 's/^/    /')
}

usage() {
    echo "usage: scripts/demo.sh [--no-pack]"
    echo "  installs the bundled sample pack into build/demo/sample-install (a second run"
    echo "  asks before overwriting); --no-pack starts the program without a pack instead."
}

main() {
    case "${1:-}" in
        "") ;;
        --no-pack) ;;
        *) usage; exit 2 ;;
    esac
    run_setup
    build_programs
    if [ "${1:-}" = --no-pack ]; then
        prepare_install_dir native tpxinstall
        prepare_install_dir win64 tpxinstall.exe
        run_native
        run_win64 "$DEMO/no-pack-win64"
    else
        demo_sample_install
    fi
    say "Done: see build/demo"
}

main "$@"
