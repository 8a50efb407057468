#!/usr/bin/env bash
# Sets up a Wine that runs 32-bit Windows programs on this kernel: Debian unstable's
# Wine, built in WoW64 mode, unpacked into the build tree (default build/wine-wow64)
# and pointed at unstable's own C library. apt's and dpkg's state, /etc and the system
# stay untouched; the downloaded .deb files are kept, so a later set-up needs no
# network. When already set up it only checks and prints the loader's path.
#   scripts/wine-wow64.sh [DIR]
# Prints the loader's path (run programs as: WINEPREFIX=... LOADER PROGRAM.exe).
# Exit status: 0 ready; 3 this Wine cannot be had here (the reason on stderr: a failed
# download, a changed package layout, a loader that does not start); 1 other errors.
# Environment: TPX_WOW64_MIRROR overrides the Debian mirror; TPX_SKIP_SETUP=1 skips
# installing patchelf.
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

UNAVAILABLE=3
# Raise when the steps below change: older set-ups are then redone from the kept .debs.
RECIPE=1
PACKAGES=(libwine:amd64 wine64:amd64 wine-common libc6:amd64 libz-mingw-w64)

DIR=${1:-$WOW64_DIR}
mkdir -p "$DIR"
DIR=$(cd "$DIR" && pwd)
LIBDIR=$DIR/root/usr/lib/x86_64-linux-gnu
LOADER=$LIBDIR/wine/wine
STAMP=$DIR/ready

unavailable() {
    echo "wine-wow64: unavailable: $*" >&2
    exit $UNAVAILABLE
}

# The stamp names the recipe and the folder: the patched programs hold absolute paths.
stamp_text() { printf '%s %s\n' "$RECIPE" "$DIR"; }
is_ready() { [ "$(cat "$STAMP" 2>/dev/null)" = "$(stamp_text)" ] && [ -x "$LOADER" ]; }

# The mirror this machine's apt already uses.
mirror() {
    if [ -n "${TPX_WOW64_MIRROR:-}" ]; then
        echo "$TPX_WOW64_MIRROR"
        return
    fi
    local uri
    uri=$(sed -n 's/^URIs:[[:space:]]*//p' /etc/apt/sources.list.d/*.sources 2>/dev/null |
        tr ' ' '\n' | grep -v -- '-security' | grep . | head -n 1 || true)
    [ -n "$uri" ] || uri=$(awk '$1 == "deb" && $2 !~ /security/ { print $2; exit }' \
        /etc/apt/sources.list 2>/dev/null || true)
    echo "${uri:-http://deb.debian.org/debian}"
}

have_debs() {
    local p
    for p in "${PACKAGES[@]}"; do
        compgen -G "$DIR/apt/archives/${p%%:*}_*.deb" >/dev/null || return 1
    done
}

download() {
    have_debs && return 0
    local apt=$DIR/apt
    mkdir -p "$apt/lists/partial" "$apt/archives/partial" "$apt/parts"
    echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $(mirror) sid main" \
        >"$apt/sources.list"
    local opts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts"
        -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt" -o "APT::Architectures::=amd64"
        -o "APT::Sandbox::User=root" -o "Debug::NoLocking=1")
    echo "wine-wow64: downloading ${PACKAGES[*]} from unstable" >&2
    apt-get "${opts[@]}" -qq update >"$apt/update.log" 2>&1 ||
        unavailable "apt-get update of unstable failed (see $apt/update.log)"
    rm -f "$apt"/archives/*.deb
    (cd "$apt/archives" && apt-get "${opts[@]}" -qq download "${PACKAGES[@]}") \
        >"$apt/download.log" 2>&1 ||
        unavailable "apt-get download ${PACKAGES[*]} failed (see $apt/download.log)"
    have_debs || unavailable "the download left no .deb for some of ${PACKAGES[*]}"
}

# Debian's post-install step for libwine: MinGW's zlib1.dll becomes a Wine builtin DLL.
# Without it, making a prefix hangs for minutes.
builtin_zlib() {
    local mingw=$1 wine_arch=$2
    local src=$DIR/root/usr/$mingw-w64-mingw32/lib/zlib1.dll dst=$LIBDIR/wine/$wine_arch/zlib1.dll
    [ -f "$src" ] || unavailable "no $mingw zlib1.dll in libz-mingw-w64 (layout changed)"
    [ -d "$(dirname "$dst")" ] || unavailable "no wine/$wine_arch folder in libwine (layout changed)"
    rm -f "$dst"
    {
        head -c 64 "$src"
        printf 'Wine builtin DLL'
        head -c 16 /dev/zero
        tail -c +97 "$src"
    } >"$dst"
}

# A 32-bit console program in a throw-away prefix: proves the loader and WoW64 work.
smoke_test() {
    local prefix=$DIR/smoke-prefix out seen
    rm -rf "$prefix"
    # The kernel's log, where a host that refuses 32-bit system calls says so.
    seen=$(dmesg 2>/dev/null | wc -l) || seen=
    out=$(WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY='' \
        timeout 180 "$LOADER" 'C:\windows\syswow64\cmd.exe' /c echo tpx-wow64-ok 2>&1) || true
    WINEPREFIX=$prefix timeout 30 "$LIBDIR/wine/wineserver" -k 2>/dev/null || true
    rm -rf "$prefix"
    case $out in
    *tpx-wow64-ok*) ;;
    *)
        if [ -n "$seen" ] && dmesg 2>/dev/null | tail -n +"$((seen + 1))" |
            grep -q 'general protection fault.*ntdll\.so'; then
            unavailable "this host's kernel refuses the 32-bit system calls of WoW64 (a general protection fault in ntdll.so, in dmesg)"
        fi
        unavailable "the loader did not run a 32-bit program: $(echo "$out" | tail -n 3)"
        ;;
    esac
}

set_up() {
    command -v patchelf >/dev/null || run_setup
    command -v patchelf >/dev/null || { echo "wine-wow64: patchelf missing" >&2; exit 1; }
    download
    echo "wine-wow64: unpacking into $DIR/root" >&2
    rm -rf "$DIR/root" "$STAMP"
    local deb
    for deb in "$DIR"/apt/archives/*.deb; do
        dpkg-deb -x "$deb" "$DIR/root" || unavailable "cannot unpack $(basename "$deb")"
    done
    local f
    for f in "$LIBDIR/ld-linux-x86-64.so.2" "$LOADER" "$LIBDIR/wine/wineserver" \
        "$LIBDIR/wine/i386-windows/ntdll.dll"; do
        [ -e "$f" ] || unavailable "no ${f#"$DIR/root"} in the packages (layout changed)"
    done
    builtin_zlib i686 i386-windows
    builtin_zlib x86_64 x86_64-windows
    patchelf --set-interpreter "$LIBDIR/ld-linux-x86-64.so.2" --force-rpath --set-rpath "$LIBDIR" \
        "$LOADER" "$LIBDIR/wine/wineserver"
    "$LOADER" --version >/dev/null 2>&1 || unavailable "the patched loader does not start"
    smoke_test
    stamp_text >"$STAMP"
    echo "wine-wow64: ready: $("$LOADER" --version)" >&2
}

main() {
    if ! is_ready; then
        # One set-up at a time; a second caller finds it done.
        exec 9>"$DIR.lock"
        flock 9
        is_ready || set_up
    fi
    echo "$LOADER"
}

main
