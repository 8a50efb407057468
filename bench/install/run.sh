#!/usr/bin/env bash
# Installation benchmark. The native tpxinstall (Release, no sanitizers) installs each
# pack beside unzip -o, bsdtar -xf and 7z x -aoa extracting the same pack, each into a
# folder of its own, on a fresh journaled ext4 volume (a loop device) and on a fresh
# tmpfs. Each volume gets a table: medians over RUNS runs of wall and CPU (user +
# system) seconds, the largest peak resident memory, and tpxinstall's wall time over
# the fastest peer's. tpxinstall runs twice in each round: as it ships (its data
# written out and the volume flushed) and with TPX_NO_FLUSH=1 (neither), printed as
# the rows "wall" and "wall, no flush" (likewise cpu); the peers run once. Runs
# rotate the tools' order; the volume is synced (outside the timing) before each run,
# so that no run pays for the previous one's writeback. Each volume starts with the
# packs dropped from the page cache and read back into it.
#
# Cases (TPX_BENCH_CASES): a pack's name installs it into a fresh folder; NAME:again
# installs it over a folder that already holds it (tpxinstall is answered "y" at each
# overwrite question); NAME:durable, on ext4 only and not run by default, installs it
# over itself with tpxinstall alone, once per value of TPX_BENCH_DURABILITY.
# Afterwards strace -c counts the system calls per file of every tool on the small pack,
# into a fresh folder and over itself, on the first volume.
#
#   bench/install/run.sh [BUILD_DIR] [PACK_DIR] [RUNS]
# BUILD_DIR: a Release, non-sanitized native tree (default build/bench-release,
# configured and built here when needed). PACK_DIR caches the packs of make_packs.py.
# TPX_BENCH_VOLUMES: "ext4 tmpfs" by default. Making volumes needs root; without it
# the runs use folders under /tmp and say so.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/bench-release}
packs=${2:-${TMPDIR:-/tmp}/tpx-install-bench}
runs=${3:-5}
cases=${TPX_BENCH_CASES:-"small medium large-deflated large-stored small:again max-entries"}
volumes=${TPX_BENCH_VOLUMES:-"ext4 tmpfs"}
tools=(tpxinstall unzip bsdtar 7z)
# What each round runs: the tools, and tpxinstall once more without durability.
rounds=(tpxinstall tpxinstall-noflush unzip bsdtar 7z)
peers=(unzip bsdtar 7z)
durabilities=(none fdatasync syncfs)
# The main runs measure the program's default.
unset TPX_BENCH_DURABILITY TPX_NO_FLUSH

say() { printf '\n==> %s  (%d s)\n' "$*" "$SECONDS" >&2; }
note() { printf '    %s  (%d s)\n' "$*" "$SECONDS" >&2; }
warn() { printf 'warning: %s\n' "$*" >&2; }

# Commands and the Debian packages that bring them.
needed=(unzip:unzip bsdtar:libarchive-tools 7z:p7zip-full strace:strace
        /usr/bin/time:time mkfs.ext4:e2fsprogs)
missing=()
for pair in "${needed[@]}"; do
    command -v "${pair%%:*}" >/dev/null || missing+=("${pair#*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "run.sh: missing packages (install them as root): ${missing[*]}" >&2
        exit 1
    fi
    say "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq -o Dpkg::Use-Pty=0 "${missing[@]}" >/dev/null
fi

say "building tpxinstall in $build"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTPX_SANITIZE=OFF >/dev/null
fi
cmake --build "$build" -j2 --target tpxinstall >/dev/null
program=$build/src/app/tpxinstall
say "packs in $packs"
python3 "$root/bench/make_packs.py" "$packs" >&2

work=$(mktemp -d /tmp/tpx-install-bench-XXXXXX)
mounts=()
cleanup() {
    local m
    for m in "${mounts[@]}"; do umount "$m" || warn "could not unmount $m"; done
    rm -rf "$work"
}
trap cleanup EXIT
results=$work/results
mkdir -p "$results"
# Yes to every overwrite question (at most one per entry).
awk 'BEGIN { for (i = 0; i < 70000; i++) print "y" }' >"$work/answers"

# make_volume KIND: mounts a fresh volume at $work/KIND and sets $label to what it is,
# or, when mounting fails, leaves a plain folder there and says so in $label.
make_volume() {
    local kind=$1 dir=$work/$1
    mkdir -p "$dir"
    case $kind in
        ext4)
            # Inode tables and journal written now, not by a kernel thread during runs.
            if { fallocate -l 4G "$work/ext4.img" 2>/dev/null || truncate -s 4G "$work/ext4.img"; } &&
                mkfs.ext4 -q -F -E lazy_itable_init=0,lazy_journal_init=0 "$work/ext4.img" &&
                mount -o loop "$work/ext4.img" "$dir" 2>/dev/null; then
                mounts+=("$dir")
                label="a fresh journaled ext4 volume (4 GiB loop device, $(findmnt -no OPTIONS "$dir"))"
                return
            fi
            ;;
        tmpfs)
            if mount -t tmpfs -o size=4g tmpfs "$dir" 2>/dev/null; then
                mounts+=("$dir")
                label="a fresh tmpfs"
                return
            fi
            ;;
        *) echo "run.sh: unknown volume $kind (ext4 or tmpfs)" >&2; exit 1 ;;
    esac
    label="NOT a fresh $kind: mounting failed, so a folder in /tmp on $(df --output=fstype "$dir" | tail -n 1)"
    fallback=1
}

# set_argv TOOL PACK DIR: the command line that extracts PACK into DIR/custom, in
# $argv. The installer lies in DIR, beside its custom folder, as in a client's folder.
set_argv() {
    local tool=$1 pack=$2 dir=$3
    case $tool in
        tpxinstall) argv=("$dir/tpxinstall" "$pack") ;;
        tpxinstall-noflush) argv=(env TPX_NO_FLUSH=1 "$dir/tpxinstall" "$pack") ;;
        unzip) argv=(unzip -o -q "$pack" -d "$dir/custom") ;;
        bsdtar) argv=(bsdtar -xf "$pack" -C "$dir/custom") ;;
        7z) argv=(7z x -aoa -bd -y "-o$dir/custom" "$pack") ;;
    esac
}

# fresh_folder TOOL DIR: an empty DIR (with the installer in it for tpxinstall).
fresh_folder() {
    rm -rf "$2"
    mkdir -p "$2/custom"
    case $1 in tpxinstall*) cp "$program" "$2/tpxinstall" ;; esac
    return 0
}

# run_quiet CMD...: runs CMD on the answers; shows its errors and stops when it fails.
run_quiet() {
    "$@" <"$work/answers" >/dev/null 2>"$work/stderr" || {
        echo "run.sh: failed ($?): $*" >&2
        tail -n 20 "$work/stderr" >&2
        exit 1
    }
}

# timed VOLUME TOOL PACK AGAIN [ENV...]: one run in a fresh folder on VOLUME (AGAIN=1:
# one that already holds what the pack installs, put there by the same tool); prints
# "wall-seconds peak-KiB cpu-seconds". ENV: NAME=VALUE settings for the timed run.
timed() {
    local volume=$1 tool=$2 pack=$3 again=$4 dir=$work/$1/out start end
    shift 4
    fresh_folder "$tool" "$dir"
    set_argv "$tool" "$pack" "$dir"
    [ "$again" = 1 ] && run_quiet "${argv[@]}"
    sync -f "$work/$volume"
    start=$EPOCHREALTIME
    run_quiet env "$@" /usr/bin/time -f '%M %U %S' -o "$work/time" "${argv[@]}"
    end=$EPOCHREALTIME
    if [ "${check:-0}" = 1 ]; then
        local n
        n=$(find "$dir/custom" -type f ! -name "~tpx.lock" | wc -l)  # the lock file stays
        [ "$n" = "${files[$pack]}" ] || warn "$tool left $n files of ${files[$pack]} from $(basename "$pack")"
    fi
    awk -v a="$start" -v b="$end" '{ printf "%.4f %d %.2f\n", b - a, $1, $2 + $3 }' "$work/time"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
column_of() { awk -v c="$1" '{ print $c }' "$2"; }
# rotated RUN WORD...: the words rotated by RUN places.
rotated() { local r=$1; shift; echo "$@" | awk -v r="$r" '{ for (i = 0; i < NF; i++) printf "%s ", $((i + r) % NF + 1) }'; }

# Files each pack installs, to check the tools on the first run.
declare -A files
for case in $cases; do
    pack=$packs/${case%%:*}.tpx
    [ -f "$pack" ] || { echo "run.sh: no pack $pack" >&2; exit 1; }
    [ -n "${files[$pack]:-}" ] || files[$pack]=$(unzip -Z1 "$pack" | grep -vc '/$')
done

# Drops the packs' pages from the page cache, then reads them back, so that each
# volume starts alike with every pack in memory.
refresh_packs() {
    local pack
    for pack in "${!files[@]}"; do
        dd if="$pack" iflag=nocache count=0 status=none 2>/dev/null || true
        cat "$pack" >/dev/null
    done
}

# table VOLUME: the figures of every case on VOLUME.
table() {
    local v=$1 case name shown measure label column format tool ratio fastest target row
    printf '%-18s %-14s %10s %10s %10s %10s  %-18s %s\n' case "" "${tools[@]}" "ratio (fastest)" target
    for case in $cases; do
        name=${case%%:*}
        [ "$case" = "$name:durable" ] && continue
        shown=${case/:again/, over itself}
        for measure in wall:1:%10.3f cpu:3:%10.2f peak:2:%10d; do
            IFS=: read -r label column format <<<"$measure"
            declare -A value=()
            for tool in "${rounds[@]}"; do
                if [ "$label" = peak ]; then
                    value[$tool]=$(column_of 2 "$results/$v.$case.$tool" | sort -g | tail -n 1)
                else
                    value[$tool]=$(column_of "$column" "$results/$v.$case.$tool" | median)
                fi
            done
            # Peak memory does not depend on the flushes: one row.
            for row in tpxinstall tpxinstall-noflush; do
                [ "$row" = tpxinstall-noflush ] && [ "$label" = peak ] && continue
                ratio="" target=""
                if [ "$label" = wall ]; then
                    fastest=$(for tool in "${peers[@]}"; do echo "${value[$tool]} $tool"; done | sort -g | head -n 1)
                    ratio=$(awk -v t="${value[$row]}" -v f="${fastest% *}" -v n="${fastest#* }" \
                        'BEGIN { printf "%.2f (%s)", (f > 0) ? t / f : 0, n }')
                    # The targets are for the program as it ships: durable.
                    if [ "$row" = tpxinstall ]; then
                        case $case in
                            small) target="<= 0.8" ;;
                            medium | large-*) target="<= 1.0" ;;
                        esac
                    fi
                fi
                if [ "$row" = tpxinstall ]; then
                    printf "%-18s %-14s $format $format $format $format  %-18s %s\n" "$shown" "$label" \
                        "${value[tpxinstall]}" "${value[unzip]}" "${value[bsdtar]}" "${value[7z]}" \
                        "$ratio" "$target"
                else
                    printf "%-18s %-14s $format %10s %10s %10s  %-18s %s\n" "" "$label, no flush" \
                        "${value[$row]}" - - - "$ratio" "$target"
                fi
                shown=""
            done
        done
    done
    echo "wall and cpu (user + system) in seconds, medians of $runs runs; peak: largest"
    echo "resident memory in KiB; ratio: tpxinstall's wall time over the fastest peer's;"
    echo "no flush: tpxinstall with TPX_NO_FLUSH=1 (no writeout, no volume flush), whose"
    echo "peers are the same runs (none of them flushes)"
}

# durable VOLUME CASE: tpxinstall over itself with each durability setting, and once
# more with "none" followed by a syncfs inside the timing, what a durable install must
# at least pay.
durable() {
    local v=$1 case=$2 pack=$packs/${2%%:*}.tpx run setting start end dir=$work/$1/out
    for run in $(seq 1 "$runs"); do
        for setting in $(rotated "$run" "${durabilities[@]}" none+sync); do
            if [ "$setting" = none+sync ]; then
                fresh_folder tpxinstall "$dir"
                set_argv tpxinstall "$pack" "$dir"
                run_quiet "${argv[@]}"
                sync -f "$work/$v"
                start=$EPOCHREALTIME
                run_quiet env TPX_BENCH_DURABILITY=none "${argv[@]}"
                sync -f "$work/$v"
                end=$EPOCHREALTIME
                awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f 0 0\n", b - a }'
            else
                timed "$v" tpxinstall "$pack" 1 TPX_BENCH_DURABILITY="$setting"
            fi >>"$results/$v.$case.$setting"
        done
    done
}

durable_table() {
    local v=$1 case setting
    for case in $cases; do
        [ "$case" = "${case%%:*}:durable" ] || continue
        printf '\n%-18s %-5s %10s %10s %10s %10s\n' "${case%%:*}, over itself" "" \
            none fdatasync syncfs "none, sync"
        printf '%-18s %-5s' "tpxinstall" wall
        for setting in "${durabilities[@]}" none+sync; do
            printf ' %10.3f' "$(column_of 1 "$results/$v.$case.$setting" | median)"
        done
        printf '\n'
        echo "wall seconds, medians of $runs runs, by TPX_BENCH_DURABILITY; \"none, sync\": none,"
        echo "with a syncfs after the program inside the timing"
        grep -q TPX_BENCH_DURABILITY "$program" ||
            echo "(this tpxinstall does not read TPX_BENCH_DURABILITY: every column runs the same)"
    done
}

measured_fallback=0
strace_volume=""
for v in $volumes; do
    fallback=0
    make_volume "$v"
    if [ "$fallback" = 1 ] && [ "$measured_fallback" = 1 ]; then
        warn "$v: $label, measured already; skipped"
        continue
    fi
    measured_fallback=$fallback
    [ -n "$strace_volume" ] || strace_volume=$v
    say "installing on $v: $label"
    refresh_packs
    for case in $cases; do
        name=${case%%:*}
        pack=$packs/$name.tpx
        cat "$pack" >/dev/null
        if [ "$case" = "$name:durable" ]; then
            if [ "$v" = ext4 ]; then
                note "$case: $runs runs of each setting"
                durable "$v" "$case"
            fi
            continue
        fi
        again=0
        [ "$case" = "$name:again" ] && again=1
        note "$case: $runs runs of each tool"
        for run in $(seq 1 "$runs"); do
            check=0
            [ "$run" = 1 ] && check=1
            for tool in $(rotated "$run" "${rounds[@]}"); do
                timed "$v" "$tool" "$pack" "$again" >>"$results/$v.$case.$tool"
            done
        done
        rm -rf "$work/$v/out"
    done
    {
        echo
        echo "Installing on $v: $label"
        table "$v"
        if [ "$v" = ext4 ]; then durable_table "$v"; fi
    } >"$results/$v.table"
    cat "$results/$v.table"
done

# strace_counts TOOL PACK AGAIN OUT: strace -c of TOOL extracting PACK on the strace
# volume, into a fresh folder or (AGAIN=1) over itself; the summary goes to OUT.
strace_counts() {
    local tool=$1 pack=$2 again=$3 dir=$work/$strace_volume/out
    fresh_folder "$tool" "$dir"
    set_argv "$tool" "$pack" "$dir"
    [ "$again" = 1 ] && run_quiet "${argv[@]}"
    run_quiet strace -c -f -o "$4" "${argv[@]}"
    rm -rf "$dir"
}

# strace_table AGAIN: calls per file by system call, tools side by side; calls under
# 0.01 per file for every tool are summed up as "other".
strace_table() {
    local again=$1 n=${files[$packs/small.tpx]} tool
    local args=()
    for tool in "${tools[@]}"; do args+=("$work/strace.$again.$tool"); done
    awk -v n="$n" -v names="${tools[*]}" '
        FNR == 1 { t++ }
        $1 ~ /^[0-9.]+$/ && NF >= 5 { calls[t, $NF] = $4; seen[$NF] = 1 }
        END {
            k = split(names, tool, " ")
            printf "%-18s", "calls per file"
            for (i = 1; i <= k; i++) printf " %10s", tool[i]
            printf "\n"
            # Rows by the counts of the first tool, most first.
            m = 0
            for (s in seen) if (s != "total") order[++m] = s
            for (i = 2; i <= m; i++)
                for (j = i; j > 1 && calls[1, order[j]] + 0 > calls[1, order[j - 1]] + 0; j--) {
                    x = order[j]; order[j] = order[j - 1]; order[j - 1] = x
                }
            for (r = 1; r <= m; r++) {
                s = order[r]; big = 0
                for (i = 1; i <= k; i++) if (calls[i, s] / n >= 0.01) big = 1
                if (!big) { for (i = 1; i <= k; i++) other[i] += calls[i, s]; continue }
                printf "%-18s", s
                for (i = 1; i <= k; i++) printf " %10.2f", calls[i, s] / n
                printf "\n"
            }
            printf "%-18s", "other"
            for (i = 1; i <= k; i++) printf " %10.2f", other[i] / n
            printf "\n%-18s", "total"
            for (i = 1; i <= k; i++) printf " %10.2f", calls[i, "total"] / n
            printf "\n%-18s", "total calls"
            for (i = 1; i <= k; i++) printf " %10d", calls[i, "total"]
            printf "\n"
        }' "${args[@]}"
}

if [ -n "$strace_volume" ] && [ -n "${files[$packs/small.tpx]:-}" ]; then
    say "counting system calls on the small pack ($strace_volume)"
    for again in 0 1; do
        for tool in "${tools[@]}"; do
            strace_counts "$tool" "$packs/small.tpx" "$again" "$work/strace.$again.$tool"
        done
    done
    echo
    echo "System calls installing the small pack (${files[$packs/small.tpx]} files) into a fresh folder on $strace_volume"
    strace_table 0
    echo "target: tpxinstall at most 7 calls per small new file"
    echo
    echo "System calls installing the small pack over itself on $strace_volume"
    strace_table 1
fi
