set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# This kernel cannot run 32-bit Linux programs, so Debian 12's Wine cannot run 32-bit
# Windows ones: tests run under a WoW64 Wine that scripts/wine-wow64.sh sets up in the
# build folder, in a prefix that belongs to this build tree.
get_filename_component(_tpx_root ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
set(TPX_WOW64_WINE ${_tpx_root}/build/wine-wow64/root/usr/lib/x86_64-linux-gnu/wine/wine
    CACHE FILEPATH "Loader of the WoW64 Wine that runs this tree's programs")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh --wine ${TPX_WOW64_WINE}
                                  ${CMAKE_BINARY_DIR}/wineprefix)
