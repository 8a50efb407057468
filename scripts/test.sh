#!/usr/bin/env bash
# Builds every tree, runs every test and ends with the line "N passed, M failed".
#   native  g++ with AddressSanitizer + UndefinedBehaviorSanitizer: unit and e2e tests
#   win64   MinGW-w64 x86_64: the same tests under Wine on a virtual display
#   win32   MinGW-w64 i686, the shipped program: the same tests under the WoW64 Wine that
#           scripts/wine-wow64.sh sets up in build/wine-wow64 (a skip, with the reason,
#           when that Wine cannot be had); and two fresh builds of the program alone,
#           compared byte for byte (reproducibility)
#   fuzz    clang + libFuzzer, when fuzz/*_fuzzer.cpp exist: each run for about a minute
# Exit status 0 only when every build is clean and every check passed.
# Environment: TPX_SKIP_SETUP=1 skips the package check, TPX_FUZZ_SECONDS sets the
# fuzzing time (default 60; 0 skips fuzzing).
set -uo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

LEDGER=$BUILD/test-ledger.tsv
FUZZ_SECONDS=${TPX_FUZZ_SECONDS:-60}
declare -A BUILT=()
TIMINGS=()

record() { printf '%s\t%s\t%s\n' "$1" "$2" "$3" >>"$LEDGER"; }

# timed NAME CMD...: runs CMD and notes how long it took.
timed() {
    local name=$1 start rc=0
    shift
    start=$(now)
    "$@" || rc=$?
    TIMINGS+=("$(printf '%-22s %4ds' "$name" $(($(now) - start)))")
    return $rc
}

# Configures and builds one tree (or only TARGETs). Warnings of the project's code
# fail the three product trees (they must build clean); in the fuzz tree they are
# only shown.
# build_step PRESET strict|lenient [TARGET...]
build_step() {
    local preset=$1 strict=$2
    shift 2
    say "Building $preset"
    if ! configure_tree "$preset"; then
        record fail build "$preset: configure failed (build/logs/$preset-configure.log)"
        return 1
    fi
    # Keep going past a broken file: the tests that did build still run, and the
    # ones that did not show up as failures.
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    BUILT[$preset]=1
    if ! (cd "$ROOT" && logged "$preset-build" cmake --build --preset "$preset" "${targets[@]}" -- -k 0); then
        record fail build "$preset: build failed (build/logs/$preset-build.log)"
        return 1
    fi
    local warnings
    warnings=$(count_warnings "$preset")
    if [ "$warnings" -gt 0 ]; then
        grep -E 'warning:' "$LOGS/$preset-build.log" | grep -v '/usr/src/googletest' | head -n 20
        if [ "$strict" = strict ]; then
            record fail build "$preset: $warnings compiler warnings (build/logs/$preset-build.log)"
            return 0
        fi
        note "$warnings warnings (not counted in this tree)"
    fi
    note "built build/$preset"
}

# Runs the CTest tests of one tree (through WRAPPER..., if given) and books them.
# ctest_step PRESET [WRAPPER...]
ctest_step() {
    local preset=$1
    shift
    local dir
    dir=$(tree_dir "$preset")
    rm -rf "$dir/test-results" "$dir/ctest-junit.xml"
    mkdir -p "$dir/test-results"
    "$@" ctest --test-dir "$dir" -j 2 --output-on-failure --output-junit "$dir/ctest-junit.xml" \
        2>&1 | tee "$LOGS/$preset-ctest.log"
    python3 "$ROOT/scripts/count_tests.py" ctest "$LEDGER" "$preset" "$dir/ctest-junit.xml" \
        "$dir/test-results"
}

test_native() {
    say "Native tests (sanitizers on)"
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
    ctest_step native
}

test_win64() {
    say "Windows tests under Wine"
    # Build the prefix before the first test, so no test pays for it in its timeout.
    timed "wine prefix" wine_run win64 --init || record fail win64 "Wine prefix could not be created"
    ctest_step win64 on_wine_display win64
    convert_screenshots win64
}

test_win32() {
    say "Windows i686 tests under WoW64 Wine"
    local rc=0 log=$LOGS/wine-wow64.log why
    timed "wow64 wine setup" "$ROOT/scripts/wine-wow64.sh" >"$log" 2>&1 || rc=$?
    if [ $rc -eq 3 ]; then
        why=$(sed -n 's/^wine-wow64: unavailable: //p' "$log" | head -n 1)
        note "WoW64 Wine unavailable: $why"
        python3 "$ROOT/scripts/count_tests.py" skip "$LEDGER" win32 "all tests" \
            "WoW64 Wine unavailable: ${why:-see build/logs/wine-wow64.log}"
        return 0
    elif [ $rc -ne 0 ]; then
        tail -n 5 "$log"
        record fail win32 "WoW64 Wine set-up failed (exit $rc, build/logs/wine-wow64.log)"
        return 0
    fi
    note "WoW64 Wine: $("$WOW64_WINE" --version 2>&1)"
    timed "wine prefix (win32)" wine_run win32 --init ||
        record fail win32 "Wine prefix could not be created"
    ctest_step win32 on_wine_display win32
    convert_screenshots win32
}

# The name tests again with Wine in code page 932: Wine takes the ANSI code page from
# the Unix locale, compiled here into build/locales (the system's stays untouched).
test_cp932() {
    say "Windows name tests in code page 932 (win64)"
    local dir locales=$BUILD/locales report
    dir=$(tree_dir win64)
    report=$dir/test-results/install_program_test-cp932.xml
    mkdir -p "$dir/test-results"
    if [ ! -d "$locales/ja_JP.UTF-8" ]; then
        mkdir -p "$locales"
        if ! localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8" >"$LOGS/localedef.log" 2>&1; then
            python3 "$ROOT/scripts/count_tests.py" skip "$LEDGER" win64-cp932 "name tests" \
                "no ja_JP locale (build/logs/localedef.log)"
            return 0
        fi
    fi
    rm -f "$report"
    LOCPATH=$locales LC_ALL=ja_JP.UTF-8 on_virtual_display bash -c \
        '"$@"; rc=$?; "$1" "$2" --kill; exit $rc' _ "$ROOT/cmake/wine-run.sh" \
        "$dir/wineprefix-cp932" "$dir/tests/install/install_program_test.exe" \
        --gtest_filter='InstallNamesWin.*' --gtest_output="xml:Z:$report" \
        >"$LOGS/win64-cp932.log" 2>&1
    grep -E 'code page|OK|FAILED' "$LOGS/win64-cp932.log" | sed 's/^/    /'
    python3 "$ROOT/scripts/count_tests.py" gtest "$LEDGER" win64-cp932 install_program_test "$report"
    convert_screenshots win64
}

# Elevation needs a user whom Unix permissions bind: root writes into a 0555 folder.
# The case runs as the user tpxtest (made when missing) with its own HOME and Wine
# prefix, under Wine 8 (the win64 tree), with a read-only custom folder.
test_elevation() {
    say "Windows elevation test as a non-root user (win64)"
    local user=tpxtest work=/tmp/tpx-elevation dir report
    dir=$(tree_dir win64)
    report=$dir/test-results/install_program_test-elevation.xml
    mkdir -p "$dir/test-results"
    if [ "$(id -u)" -ne 0 ] && [ "$(id -un)" != "$user" ]; then
        python3 "$ROOT/scripts/count_tests.py" skip "$LEDGER" win64-elevation "elevation" \
            "needs root to run it as $user"
        return 0
    fi
    id -u "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
    rm -rf "$work/box"
    mkdir -p "$work/home" "$work/box/custom" "$work/results"
    chown -R "$user:" "$work"
    chmod 0555 "$work/box/custom"
    rm -f "$report"
    rm -f "$work/results/"*.bmp
    runuser -u "$user" -- env HOME="$work/home" TPX_ELEVATION_BOX="$work/box" \
        TPX_ARTIFACTS="$work/results" \
        xvfb-run -a --server-args="$XVFB_SERVER_ARGS" bash -c \
        '"$@"; rc=$?; "$1" "$2" --kill; exit $rc' _ "$ROOT/cmake/wine-run.sh" \
        "$work/wineprefix" "$dir/tests/install/install_program_test.exe" \
        --gtest_filter='InstallElevationWin.*:*FailureCauseWin.*/refused_folder' \
        --gtest_output="xml:Z:$work/results/elevation.xml" \
        >"$LOGS/win64-elevation.log" 2>&1
    cp "$work/results/elevation.xml" "$report" 2>/dev/null
    mkdir -p "$dir/artifacts" && cp "$work/results/"*.bmp "$dir/artifacts/" 2>/dev/null || true
    grep -E 'OK|FAILED|Skipped' "$LOGS/win64-elevation.log" | sed 's/^/    /'
    python3 "$ROOT/scripts/count_tests.py" gtest "$LEDGER" win64-elevation install_program_test \
        "$report"
}

# Builds the shipped program alone twice, in two fresh trees at paths of different
# lengths, and compares the executables byte for byte.
reproducible_step() {
    say "Reproducible build: tpxinstall.exe twice"
    local first=$BUILD/repro/first second=$BUILD/repro/second-tree exe=src/app/tpxinstall.exe
    if ! fresh_release_build "$first" || ! fresh_release_build "$second"; then
        record fail reproducible "tpxinstall.exe: a build failed (build/logs/first-*.log, second-tree-*.log)"
        return 0
    fi
    if cmp "$first/$exe" "$second/$exe"; then
        record pass reproducible "tpxinstall.exe: two builds byte-identical"
        note "identical: $(sha256sum "$first/$exe" | cut -d' ' -f1)"
    else
        record fail reproducible "tpxinstall.exe differs between build/repro/first and build/repro/second-tree"
    fi
}

# Tests may leave BMP or XWD screenshots in build/<tree>/artifacts; keep them as PNG.
convert_screenshots() {
    local dir f n=0
    dir=$(tree_dir "$1")/artifacts
    [ -d "$dir" ] || return 0
    while IFS= read -r -d '' f; do
        convert "$f" "${f%.*}.png" 2>/dev/null && rm -f "$f" && n=$((n + 1))
    done < <(find "$dir" -type f \( -name '*.bmp' -o -name '*.xwd' \) -print0)
    note "screenshots: $(find "$dir" -name '*.png' | wc -l) PNG in build/$1/artifacts ($n converted)"
}

fuzz_step() {
    local fuzzers=("$ROOT"/fuzz/*_fuzzer.cpp)
    [ -e "${fuzzers[0]}" ] || { note "no fuzz targets"; return 0; }
    if [ "$FUZZ_SECONDS" -le 0 ]; then
        note "fuzzing skipped (TPX_FUZZ_SECONDS=$FUZZ_SECONDS)"
        return 0
    fi
    local src names=()
    for src in "${fuzzers[@]}"; do names+=("$(basename "$src" .cpp)"); done
    build_step fuzz lenient "${names[@]}" || return 0
    local dir seconds name exe log rc
    dir=$(tree_dir fuzz)
    seconds=$((FUZZ_SECONDS / ${#fuzzers[@]}))
    [ $seconds -lt 20 ] && seconds=20
    for src in "${fuzzers[@]}"; do
        name=$(basename "$src" .cpp)
        exe=$dir/fuzz/$name
        log=$LOGS/$name.log
        say "Fuzzing $name for ${seconds}s"
        if [ ! -x "$exe" ]; then
            record fail fuzz "$name: not built"
            continue
        fi
        # The first folder collects what the fuzzer finds; the others are read-only
        # seeds: those fuzz/make_<subject>_seeds.py writes, and the third-party ZIPs.
        local corpora=("$dir/corpus/$name") seeder=$ROOT/fuzz/make_${name%_fuzzer}_seeds.py extra
        if [ -f "$seeder" ]; then
            rm -rf "$dir/seeds/$name" && mkdir -p "$dir/seeds/$name"
            python3 "$seeder" "$dir/seeds/$name" || warn "$seeder failed"
        fi
        for extra in "$dir/seeds/$name" "$ROOT/../shared/corpus"; do
            [ -d "$extra" ] && corpora+=("$extra")
        done
        mkdir -p "$dir/corpus/$name" "$dir/artifacts"
        rc=0
        "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
            -artifact_prefix="$dir/artifacts/$name-" "${corpora[@]}" >"$log" 2>&1 || rc=$?
        if [ $rc -eq 0 ]; then
            record pass fuzz "$name"
            note "$(grep -E 'DONE' "$log" | tail -n 1)"
        else
            record fail fuzz "$name: exit $rc, see build/logs/$name.log and build/fuzz/artifacts"
            grep -E 'ERROR|SUMMARY|Test unit written' "$log" | head -n 10
        fi
    done
}

cleanup() {
    [ -d "$(tree_dir win64)/wineprefix" ] && wine_kill win64
    [ -d "$(tree_dir win32)/wineprefix" ] && [ -x "$WOW64_WINE" ] && wine_kill win32
    return 0
}

main() {
    cd "$ROOT" || exit 1
    mkdir -p "$LOGS"
    : >"$LEDGER"
    trap cleanup EXIT
    local start
    start=$(now)

    say "Setup"
    if ! timed setup run_setup; then
        record fail setup "scripts/setup.sh failed"
    fi

    timed "build native" build_step native strict
    timed "build win64" build_step win64 strict
    timed "build win32 (i686)" build_step win32 strict

    if [ -n "${BUILT[native]:-}" ]; then timed "tests native" test_native; fi
    if [ -n "${BUILT[win64]:-}" ]; then
        timed "tests win64 (Wine)" test_win64
        timed "tests win64 cp932" test_cp932
        timed "tests win64 elevation" test_elevation
    fi
    if [ -n "${BUILT[win32]:-}" ]; then timed "tests win32 (WoW64)" test_win32; fi
    timed "reproducible build" reproducible_step
    timed "fuzz" fuzz_step

    say "Timings"
    printf '    %s\n' "${TIMINGS[@]}"
    printf '    %-22s %4ds\n' total $(($(now) - start))
    echo
    python3 "$ROOT/scripts/count_tests.py" summary "$LEDGER"
}

main "$@"
