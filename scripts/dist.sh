#!/usr/bin/env bash
# Makes the release: dist/tpxinstall-<version>-win32.zip with the shipped program (i686,
# built in a fresh tree build/dist-win32), a README for users, zlib's licence notice
# and SHA256SUMS, all in one folder tpxinstall-<version>-win32/. The same commit gives
# the same zip byte for byte: the program builds reproducibly, and the zip has fixed
# times (the commit's), a fixed order and no owners or extra attributes.
# Environment: TPX_SKIP_SETUP=1 skips the package check.
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

TREE=$BUILD/dist-win32
DIST=$ROOT/dist
ZLIB_COPYRIGHT=/usr/share/doc/libz-mingw-w64-dev/copyright

# The version of the CMake project, as the configured tree has it.
project_version() {
    sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$TREE/CMakeCache.txt"
}

# Every file's time: the commit's, or a fixed day outside a git checkout.
release_epoch() {
    git -C "$ROOT" log -1 --format=%ct 2>/dev/null || echo 946684800
}

# zlib's notice from the Debian package's copyright file: the copyright of its main
# files and the text of the Zlib licence.
zlib_notice() {
    [ -f "$ZLIB_COPYRIGHT" ] || { warn "no $ZLIB_COPYRIGHT (libz-mingw-w64-dev)"; return 1; }
    echo "tpxinstall.exe contains zlib, which comes with this notice:"
    echo
    awk '/^Files: \*$/ { main = 1; next }
         main && /^Copyright:/ { sub(/^Copyright: */, ""); print "Copyright (C) " $0; exit }' \
        "$ZLIB_COPYRIGHT"
    echo
    # The stand-alone "License: Zlib" paragraph, the one with indented text below.
    awk '/^License: Zlib$/ { text = 1; next }
         text && /^ / { sub(/^ /, ""); if ($0 == ".") $0 = ""; print; n++; next }
         text { if (n) exit; text = 0 }' "$ZLIB_COPYRIGHT"
}

readme() {
    cat <<'TEXT'
tpxinstall - installer for service packs (.tpx files) of the Quorvix Brenvo client

WHERE IT GOES
Copy tpxinstall.exe into the client's installation folder, beside the
client's program (zilno.exe). The packs are installed into the "custom"
folder of that installation folder, which is created when it is missing.

WHAT IT DOES
Started with the path of a .tpx service pack, tpxinstall copies the pack's
files with their folders into the "custom" folder, asks before it overwrites
files that are already there, and reports the outcome in a small window
that names the pack.

OPENING .tpx FILES
To have packs install when you open them (double-click, or open from your
browser's downloads): right-click a .tpx file, choose "Open with", then
"Choose another app", "More apps", "Look for another app on this PC", select
tpxinstall.exe in the client's installation folder, and tick "Always use this
app to open .tpx files". You can also drop a .tpx file onto tpxinstall.exe.

STARTING A SERVICE
    tpxinstall -launch <profile>
reads the service name from the profile file (section [launch], key
"service") and hands it to the client: a running client is brought to the
front and switches to the service; otherwise the client is started for it.

FILES
tpxinstall.exe     the program (32-bit Windows; needs no other files)
README.txt         this text
LICENSE-zlib.txt   the licence of zlib, which the program contains
SHA256SUMS         SHA-256 checksums of the other files
TEXT
}

main() {
    cd "$ROOT"
    run_setup
    say "Building the shipped program in a fresh tree (build/dist-win32)"
    fresh_release_build "$TREE"
    local version name stage epoch
    version=$(project_version)
    [ -n "$version" ] || { warn "no project version in $TREE/CMakeCache.txt"; exit 1; }
    name=tpxinstall-$version-win32
    stage=$BUILD/dist-stage/$name
    rm -rf "$BUILD/dist-stage"
    mkdir -p "$stage" "$DIST"
    cp "$TREE/src/app/tpxinstall.exe" "$stage/"
    # Windows line ends for the texts people open in an editor.
    readme | sed 's/$/\r/' >"$stage/README.txt"
    zlib_notice | sed 's/$/\r/' >"$stage/LICENSE-zlib.txt"
    (cd "$stage" && sha256sum tpxinstall.exe README.txt LICENSE-zlib.txt >SHA256SUMS)
    epoch=$(release_epoch)
    find "$BUILD/dist-stage" -exec touch -h -d "@$epoch" {} +
    chmod 0755 "$stage" && chmod 0644 "$stage"/*
    rm -f "$DIST/$name.zip"
    # Zip stores local times: in UTC, the same commit gives the same zip everywhere.
    (cd "$BUILD/dist-stage" && printf '%s\n' "$name/" "$name/tpxinstall.exe" "$name/README.txt" \
        "$name/LICENSE-zlib.txt" "$name/SHA256SUMS" | TZ=UTC zip -q -X -@ "$DIST/$name.zip")
    say "Release: dist/$name.zip"
    (cd "$stage" && sed 's/^/    /' SHA256SUMS)
    note "zip: $(sha256sum "$DIST/$name.zip" | cut -d' ' -f1)"
}

main "$@"
