# Shell functions shared by the project's scripts. Source it from bash.
# Trees live in build/<preset> (see CMakePresets.json); logs in build/logs.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$ROOT/build
LOGS=$BUILD/logs
# A display big enough for every dialog, for Wine under Xvfb.
XVFB_SERVER_ARGS="-screen 0 1280x1024x24"

say() { printf '\n==> %s\n' "$*"; }
note() { printf '    %s\n' "$*"; }
warn() { printf 'warning: %s\n' "$*" >&2; }

# Seconds since the epoch, for step timings.
now() { date +%s; }

# Installs missing packages unless TPX_SKIP_SETUP=1.
run_setup() {
    [ "${TPX_SKIP_SETUP:-0}" = 1 ] && return 0
    "$ROOT/scripts/setup.sh"
}

tree_dir() { echo "$BUILD/$1"; }

# Runs a command with its output in a log file; on failure shows its errors.
# logged LOGNAME CMD...
logged() {
    local log=$LOGS/$1.log
    shift
    mkdir -p "$LOGS"
    local rc=0
    "$@" >"$log" 2>&1 || rc=$?
    [ $rc -eq 0 ] && return 0
    warn "failed ($rc): $*  (full output: $log)"
    # The first errors tell most; a long build log ends in the last of many.
    if grep -qE 'error:|^FAILED:|CMake Error' "$log"; then
        grep -E -A3 'error:|^FAILED:|CMake Error' "$log" | head -n 60 >&2
    else
        tail -n 40 "$log" >&2
    fi
    return $rc
}

# configure_tree PRESET: configures build/PRESET from its preset.
configure_tree() {
    (cd "$ROOT" && logged "$1-configure" cmake --preset "$1")
}

# build_tree PRESET [TARGET...]: builds the whole tree or the named targets.
build_tree() {
    local preset=$1
    shift
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    (cd "$ROOT" && logged "$preset-build" cmake --build --preset "$preset" "${targets[@]}")
}

# fresh_release_build DIR: the shipped program alone (i686, Release, no tests) in a new
# tree DIR; logs as build/logs/<basename DIR>-{configure,build}.log.
fresh_release_build() {
    local dir=$1 name
    name=$(basename "$dir")
    rm -rf "$dir"
    (cd "$ROOT" && logged "$name-configure" cmake -S . -B "$dir" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DTPX_TESTS=OFF) &&
        (cd "$ROOT" && logged "$name-build" cmake --build "$dir" --target tpxinstall)
}

# Warnings of the project's own code in a build log (GoogleTest's sources excluded).
count_warnings() {
    local log=$LOGS/$1-build.log
    [ -f "$log" ] || { echo 0; return; }
    grep -E 'warning:' "$log" | grep -vc '/usr/src/googletest' || true
}

# The i686 tree runs under the WoW64 Wine that scripts/wine-wow64.sh sets up here
# (cmake/mingw-i686.cmake names the same loader); win64 under the system's Wine.
WOW64_DIR=$BUILD/wine-wow64
WOW64_WINE=$WOW64_DIR/root/usr/lib/x86_64-linux-gnu/wine/wine

# wine_run_cmd PRESET: sets the array WINE_RUN to cmake/wine-run.sh for tree PRESET,
# with its Wine and its prefix.
wine_run_cmd() {
    WINE_RUN=("$ROOT/cmake/wine-run.sh")
    [ "$1" = win32 ] && WINE_RUN+=(--wine "$WOW64_WINE")
    WINE_RUN+=("$(tree_dir "$1")/wineprefix")
}

# Runs a Windows program of tree PRESET under Wine in that tree's prefix.
# wine_run PRESET PROGRAM.exe [ARGS...]   (also --init and --kill, see cmake/wine-run.sh)
wine_run() {
    local WINE_RUN
    wine_run_cmd "$1"
    shift
    "${WINE_RUN[@]}" "$@"
}

# Stops the wineserver of tree PRESET, if one is left.
wine_kill() { wine_run "$1" --kill; }

# Runs a command on a virtual display (a fresh Xvfb of its own).
on_virtual_display() {
    xvfb-run -a --server-args="$XVFB_SERVER_ARGS" "$@"
}

# on_wine_display PRESET CMD...: CMD on a virtual display; the tree's wineserver stops
# before the display goes away, so that no Wine process is left to lose it.
on_wine_display() {
    local WINE_RUN
    wine_run_cmd "$1"
    shift
    on_virtual_display bash -c 'n=$1; shift; run=("${@:1:n}"); shift "$n"; rc=0
        "$@" || rc=$?; "${run[@]}" --kill; exit $rc' _ "${#WINE_RUN[@]}" "${WINE_RUN[@]}" "$@"
}

# capture_each_window PREFIX CMD...: runs CMD on the current display; every window it
# opens is saved as PREFIX-N.png and answered with Enter (Yes, or OK) until CMD ends.
capture_each_window() {
    local prefix=$1 n=0 pid wid rc=0
    shift
    "$@" &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
        wid=$(timeout 30 xdotool search --sync --onlyvisible --name '.' 2>/dev/null | head -n 1) || true
        [ -n "$wid" ] || break
        n=$((n + 1))
        sleep 1  # let it paint
        xwd -root -silent | convert xwd:- "png:$prefix-$n.png" && note "screenshot: $prefix-$n.png"
        xdotool windowfocus --sync "$wid" key Return 2>/dev/null || true
        for _ in $(seq 20); do
            xdotool getwindowname "$wid" >/dev/null 2>&1 || break
            sleep 0.5
        done
    done
    for _ in $(seq 20); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.5
    done
    kill -0 "$pid" 2>/dev/null && kill "$pid"
    wait "$pid" || rc=$?
    return $rc
}
