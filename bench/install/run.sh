#!/usr/bin/env bash
# Installation benchmark. The native tpxinstall (Release, no sanitizers) installs each
# pack into a fresh install directory, beside `unzip -o -q` and `bsdtar -xf` extracting
# the same pack into fresh directories, all on a freshly made tmpfs. Runs rotate the
# order of the tools. The table shows medians of wall and CPU (user + system) seconds,
# the largest peak memory, and tpxinstall's figure over the better peer's.
#
# The case "small, again" extracts the small pack over an installation of itself, where
# tpxinstall writes every file to a temporary file and renames it over the old one (and
# is answered "y" at each overwrite question). tpxinstall_direct is the same program
# truncating and writing the targets in place instead: the difference between the two
# is what staging costs. In a fresh directory both write new files in place.
#
#   bench/install/run.sh [BUILD_DIR] [PACK_DIR] [RUNS]
# BUILD_DIR: a Release, non-sanitized native tree (default build/bench-release,
# configured and built here when needed). Making a tmpfs needs root; otherwise the
# runs use a directory under /tmp and say so. TPX_BENCH_CASES picks cases.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/bench-release}
packs=${2:-${TMPDIR:-/tmp}/tpx-install-bench}
runs=${3:-5}
cases=${TPX_BENCH_CASES:-"small medium large-deflated large-stored small:again"}
tools="tpxinstall direct unzip bsdtar"

for tool in unzip bsdtar /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "run.sh: $tool is missing" >&2; exit 1; }
done

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTPX_SANITIZE=OFF >/dev/null
fi
cmake --build "$build" -j2 --target tpxinstall tpxinstall_direct >/dev/null
program_tpxinstall=$build/src/app/tpxinstall
program_direct=$build/bench/install/tpxinstall_direct
python3 "$root/bench/make_packs.py" "$packs"

work=$(mktemp -d /tmp/tpx-install-bench-XXXXXX)
mounted=0
if mount -t tmpfs -o size=3g tmpfs "$work" 2>/dev/null; then
    mounted=1
    fs="a fresh tmpfs"
else
    fs="$(df --output=fstype "$work" | tail -n 1) (no tmpfs: mounting needs root)"
fi
cleanup() {
    [ "$mounted" = 1 ] && umount "$work"
    rm -rf "$work"
}
trap cleanup EXIT
results=$work/results
mkdir -p "$results"
# Yes to every overwrite question (at most one per entry).
awk 'BEGIN { for (i = 0; i < 70000; i++) print "y" }' >"$work/answers"

now() { date +%s.%N; }

# command_for TOOL PACK DIR: the command line that extracts PACK into DIR. The
# installer lies in DIR, beside its custom folder, as in a client installation.
command_for() {
    local tool=$1 pack=$2 dir=$3
    case $tool in
        tpxinstall) cp "$program_tpxinstall" "$dir/tpxinstall" && echo "$dir/tpxinstall $pack" ;;
        direct) cp "$program_direct" "$dir/tpxinstall" && echo "$dir/tpxinstall $pack" ;;
        unzip) echo "unzip -o -q $pack -d $dir" ;;
        bsdtar) echo "bsdtar -xf $pack -C $dir" ;;
    esac
}

# timed TOOL PACK AGAIN: one run into a fresh directory (AGAIN=1: into one that already
# holds what the pack installs); appends "wall-seconds peak-KiB cpu-seconds".
timed() {
    local tool=$1 pack=$2 again=$3 dir=$work/out start end cmd
    rm -rf "$dir"
    mkdir -p "$dir"
    cmd=$(command_for "$tool" "$pack" "$dir")
    # shellcheck disable=SC2086  # the paths hold no blanks
    [ "$again" = 1 ] && $cmd <"$work/answers" >/dev/null
    start=$(now)
    # shellcheck disable=SC2086
    /usr/bin/time -f '%M %U %S' -o "$work/rss" $cmd <"$work/answers" >/dev/null
    end=$(now)
    awk -v a="$start" -v b="$end" '{ printf "%.4f %d %.2f\n", b - a, $1, $2 + $3 }' "$work/rss"
    rm -rf "$dir"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
column_of() { awk -v c="$1" '{ print $c }' "$2"; }

for case in $cases; do
    name=${case%%:*}
    again=0
    [ "$case" != "$name" ] && again=1
    pack=$packs/$name.tpx
    cat "$pack" >/dev/null  # into the page cache
    echo "$case: $runs runs of each tool" >&2
    for run in $(seq 1 "$runs"); do
        order=$(echo $tools | awk -v r="$run" '{ for (i = 0; i < NF; i++) printf "%s ", $((i + r) % NF + 1) }')
        for tool in $order; do timed "$tool" "$pack" "$again" >>"$results/$case.$tool"; done
    done
done

echo
echo "Installing on $fs; medians of $runs runs"
printf '%-15s %-5s %10s %10s %10s %10s %7s\n' case "" tpxinstall direct unzip bsdtar ratio
for case in $cases; do
    shown=${case/:again/, again}
    for measure in wall:1:%10.3f cpu:3:%10.2f peak:2:%10d; do
        IFS=: read -r label column format <<<"$measure"
        declare -A value
        for tool in $tools; do
            if [ "$label" = peak ]; then
                value[$tool]=$(column_of 2 "$results/$case.$tool" | sort -g | tail -n 1)
            else
                value[$tool]=$(column_of "$column" "$results/$case.$tool" | median)
            fi
        done
        ratio=$(awk -v t="${value[tpxinstall]}" -v u="${value[unzip]}" -v b="${value[bsdtar]}" \
            'BEGIN { f = (u < b) ? u : b; printf "%.2f", (f > 0) ? t / f : 0 }')
        printf "%-15s %-5s $format $format $format $format %7s\n" "$shown" "$label" \
            "${value[tpxinstall]}" "${value[direct]}" "${value[unzip]}" "${value[bsdtar]}" "$ratio"
        shown=""
    done
done
echo "wall and cpu (user + system) in seconds, peak resident memory in KiB; ratio: tpxinstall"
echo "over the better of unzip and bsdtar; direct: tpxinstall writing existing files in place"

if command -v strace >/dev/null; then
    echo
    echo "System calls installing the small pack over itself (strace -c):"
    for tool in tpxinstall direct; do
        dir=$work/out
        rm -rf "$dir"
        mkdir -p "$dir"
        cmd=$(command_for "$tool" "$packs/small.tpx" "$dir")
        # shellcheck disable=SC2086
        $cmd <"$work/answers" >/dev/null
        # shellcheck disable=SC2086
        strace -c -f -o "$work/strace.$tool" $cmd <"$work/answers" >/dev/null
        awk -v t="$tool" '$NF == "total" { total = $(NF - 2) }
            $NF ~ /^(rename|openat|newfstatat|unlink|write|read)$/ { calls = calls " " $NF "=" $4 }
            END { printf "  %-10s %7d calls:%s\n", t, total, calls }' "$work/strace.$tool"
    done
fi
