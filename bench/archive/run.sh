#!/bin/sh
# Archive reader benchmark: generates the packs, then times the reader's bench
# program beside unzip -t, bsdtar and Python's zipfile -t on each pack, in
# alternating order, and prints the median wall time of each.
#
#   bench/archive/run.sh [BUILD_DIR] [PACK_DIR] [RUNS]
# BUILD_DIR must be a Release, non-sanitized native tree (default build/bench-release,
# configured and built here when missing).
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/bench-release}
packs=${2:-${TMPDIR:-/tmp}/tpx-archive-bench}
runs=${3:-7}

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTPX_SANITIZE=OFF >/dev/null
fi
cmake --build "$build" -j2 --target archive_bench >/dev/null
bench=$build/bench/archive/archive_bench
python3 "$root/bench/make_packs.py" "$packs"

now() { date +%s.%N; }
# Runs one tool on one pack and prints its wall time in seconds.
timed() {
    # sh has no locals: keep clear of the caller's names.
    start=$(now)
    case $1 in
        reader) "$bench" "$2" >/dev/null ;;
        unzip) unzip -t -q "$2" >/dev/null ;;
        bsdtar) bsdtar -xOf "$2" >/dev/null ;;
        python) python3 -m zipfile -t "$2" >/dev/null ;;
    esac
    end=$(now)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f\n", b - a }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

tools="reader unzip bsdtar python"
results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
for pack in small large-deflated large-stored; do
    file=$packs/$pack.tpx
    cat "$file" >/dev/null  # warm the page cache
    "$bench" "$file"        # the reader's own figures
    for run in $(seq 1 "$runs"); do
        # Rotate the order each run, so no tool always goes first.
        order=$(echo $tools | awk -v r="$run" '{ n = NF; for (i = 0; i < n; i++) printf "%s ", $((i + r) % n + 1) }')
        for tool in $order; do
            timed "$tool" "$file" >>"$results/$pack.$tool"
        done
    done
done

printf '\n%-16s %10s %10s %10s %10s   (median seconds of %s runs)\n' pack reader unzip bsdtar python "$runs"
for pack in small large-deflated large-stored; do
    printf '%-16s' "$pack"
    for tool in $tools; do printf ' %10.3f' "$(median <"$results/$pack.$tool")"; done
    printf '\n'
done
