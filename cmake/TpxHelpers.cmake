# Shared compile settings and test registration for all three trees.

add_library(tpx_options INTERFACE)
target_compile_options(tpx_options INTERFACE -Wall -Wextra)
if(WIN32)
  # ANSI code page build; no min/max macros from windows.h.
  target_compile_definitions(tpx_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  # Static runtime: the program and the tests need no MinGW DLLs beside them.
  target_link_options(tpx_options INTERFACE -static -static-libgcc -static-libstdc++)
  # Reproducible binaries: two builds from the same sources in different folders are
  # byte-identical. No folder of the build inside (the build tree is mapped first,
  # because the later map wins and it lies under the sources), no link time stamp,
  # archives without dates, owners or modes.
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>"
                      "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>")
  add_link_options(-Wl,--no-insert-timestamp)
  foreach(lang C CXX)
    set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
  endforeach()
endif()
if(NOT WIN32 AND NOT TPX_SANITIZE AND NOT TPX_FUZZ)
  # The C++ runtime linked in, as on Windows: a shared libstdc++ alone costs the
  # native program more resident memory than an installation of 20,000 files.
  target_link_options(tpx_options INTERFACE -static-libstdc++ -static-libgcc)
endif()
if(TPX_SANITIZE)
  if(WIN32)
    message(FATAL_ERROR "TPX_SANITIZE is for the native build; MinGW has no sanitizer runtime")
  endif()
  target_compile_options(tpx_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                               -fno-sanitize-recover=undefined)
  target_link_options(tpx_options INTERFACE -fsanitize=address,undefined)
endif()
if(TPX_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TPX_FUZZ needs clang (libFuzzer); use the 'fuzz' preset")
  endif()
  # Coverage feedback from the library code too, not only from the fuzz entry points.
  target_compile_options(tpx_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# Where tests leave files for people to look at (screenshots, logs). Windows tests may
# write BMP files there; scripts/test.sh turns them into PNG.
set(TPX_ARTIFACT_DIR ${CMAKE_BINARY_DIR}/artifacts)
set(TPX_TEST_RESULT_DIR ${CMAKE_BINARY_DIR}/test-results)

# tpx_target_path(OUT PATH): PATH as a Windows program under Wine sees it. The host's
# root is drive Z:. Wine's file calls take "/x" as the current drive's root, which
# works while that drive is Z:, but code that builds paths itself takes a path
# without a drive letter as relative (GoogleTest's --gtest_output does).
function(tpx_target_path out path)
  if(WIN32 AND CMAKE_CROSSCOMPILING AND CMAKE_HOST_UNIX)
    set(path "Z:${path}")
  endif()
  set(${out} "${path}" PARENT_SCOPE)
endfunction()

# The toolchain's emulator (cmake/wine-run.sh) gives every Windows test the tree's own
# prefix and builds it on first use; add_test(COMMAND <target> ...) gets it too. For a
# test that starts Wine some other way: TPX_WINE_RUN <program.exe> [args], or TPX_WINE_ENV.
set(TPX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
if(CMAKE_CROSSCOMPILING_EMULATOR)
  set(TPX_WINE_RUN ${CMAKE_CROSSCOMPILING_EMULATOR})  # the tree's own Wine and prefix
else()
  set(TPX_WINE_RUN ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh ${TPX_WINEPREFIX})
endif()
set(TPX_WINE_ENV "WINEPREFIX=${TPX_WINEPREFIX}" "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml=")

# tpx_platform_sources(OUT GLOB...): the files matching the globs, less those that
# belong to the other platform by name (containing "_posix" or "_win32").
function(tpx_platform_sources out)
  file(GLOB files CONFIGURE_DEPENDS ${ARGN})
  if(WIN32)
    list(FILTER files EXCLUDE REGEX "_posix[^/]*$")
  else()
    list(FILTER files EXCLUDE REGEX "_win32[^/]*$")
  endif()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# tpx_add_gtest(NAME SOURCES ... LIBS ... [ENV k=v ...] [RESOURCES])
# RESOURCES links the program's .rc into the Windows test binary.
# Natively every test case is its own CTest test; under Wine a process start costs
# seconds, so there the whole binary is one CTest test, and scripts/test.sh counts
# its cases from the XML report it writes.
function(tpx_add_gtest name)
  cmake_parse_arguments(ARG "RESOURCES" "" "SOURCES;LIBS;ENV" ${ARGN})
  if(WIN32 AND ARG_RESOURCES)
    list(APPEND ARG_SOURCES ${TPX_RESOURCE_FILE})
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} tpx_test_support tpx_gtest_main tpx_options)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE TPX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                             TPX_BINARY_DIR="${CMAKE_BINARY_DIR}")
  tpx_target_path(result_dir ${TPX_TEST_RESULT_DIR})
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:${result_dir}/${name}.xml)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${ARG_ENV}" TIMEOUT 600)
  else()
    include(GoogleTest)
    gtest_discover_tests(${name} PROPERTIES ENVIRONMENT "${ARG_ENV}" TIMEOUT 120
                         DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
