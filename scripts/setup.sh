#!/usr/bin/env bash
# Installs the Debian packages the project needs, those that are missing only.
# Safe to run again: with everything present it neither updates nor installs.
set -euo pipefail

packages=(
    # native build and tests
    build-essential g++ cmake ninja-build zlib1g-dev libgtest-dev googletest python3
    # fuzzing: clang with libFuzzer's runtime
    clang libclang-rt-14-dev
    # Windows builds: MinGW-w64 with the posix thread model (GoogleTest needs std::mutex)
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev
    # running the Windows programs: Wine on a virtual display, window scripting, screenshots
    wine64 xvfb xauth xdotool x11-apps imagemagick
    # 32-bit tests: pointing the programs of a private WoW64 Wine at its own C library
    patchelf
    # third-party ZIP tools: sample packs and reference readers for the tests
    libarchive-tools unzip zip
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all ${#packages[@]} packages present"
    exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "setup: need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
    sudo=(sudo -n)
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
# Recommends stay on: Wine takes its fonts and X rendering libraries from them.
"${sudo[@]}" apt-get install -y -qq -o Dpkg::Use-Pty=0 "${missing[@]}" >/dev/null
echo "setup: done"
