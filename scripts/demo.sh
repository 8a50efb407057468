#!/usr/bin/env bash
# Builds the installer natively and for Windows, gives each a demo client
# installation directory and starts it there:
#   build/demo/native/  tpxinstall, the terminal presentation
#   build/demo/win64/   tpxinstall.exe under Wine; on a machine without a display it
#                       runs on a virtual one and leaves a screenshot in build/demo/
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

# make_sample_pack OUT: builds the demo pack with scripts/make_sample_pack.* if one
# exists; fails when there is none (the demo then shows the no-pack dialog).
make_sample_pack() {
    local out=$1
    mkdir -p "$(dirname "$out")"
    if [ -x "$ROOT/scripts/make_sample_pack.sh" ]; then
        "$ROOT/scripts/make_sample_pack.sh" "$out"
    elif [ -f "$ROOT/scripts/make_sample_pack.py" ]; then
        python3 "$ROOT/scripts/make_sample_pack.py" "$out"
    else
        return 1
    fi
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
# closes its dialog, on a virtual one it is captured to SHOT and closed.
run_win64() {
    local shot=$1
    shift
    say "Windows: tpxinstall.exe $*"
    wine_run win64 --init
    if [ -n "${DISPLAY:-}" ] && [ "${TPX_HEADLESS:-0}" != 1 ]; then
        wine_run win64 "$DEMO/win64/tpxinstall.exe" "$@" || warn "program exited with $?"
    else
        on_virtual_display bash -c 'source "$1"; shift; capture_window "$@"' _ \
            "$ROOT/scripts/lib.sh" "$shot" "$ROOT/cmake/wine-run.sh" \
            "$(tree_dir win64)/wineprefix" "$DEMO/win64/tpxinstall.exe" "$@" ||
            warn "program exited with $?"
    fi
    wine_kill win64
}

main() {
    run_setup
    build_programs
    prepare_install_dir native tpxinstall
    prepare_install_dir win64 tpxinstall.exe

    local args=()
    if make_sample_pack "$DEMO/sample.tpx"; then
        args=("$DEMO/sample.tpx")
    else
        note "no sample pack maker yet: starting without a pack"
    fi
    run_native "${args[@]}"
    run_win64 "$DEMO/tpxinstall-win64.png" "${args[@]}"
    say "Done: see build/demo"
}

main "$@"
