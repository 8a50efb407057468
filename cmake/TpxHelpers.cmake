# Shared compile settings and test registration for all three trees.

add_library(tpx_options INTERFACE)
target_compile_options(tpx_options INTERFACE -Wall -Wextra)
if(WIN32)
  # ANSI code page build; no min/max macros from windows.h.
  target_compile_definitions(tpx_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  # Static runtime: the program and the tests need no MinGW DLLs beside them.
  target_link_options(tpx_options INTERFACE -static -static-libgcc -static-libstdc++)
endif()
if(TPX_SANITIZE)
  target_compile_options(tpx_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                               -fno-sanitize-recover=undefined)
  target_link_options(tpx_options INTERFACE -fsanitize=address,undefined)
endif()

# Wine runs each Windows test binary in a prefix inside the build tree.
set(TPX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(TPX_WINE_ENV "WINEPREFIX=${TPX_WINEPREFIX}" "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml=")

# tpx_add_gtest(NAME SOURCES ... LIBS ... [ENV k=v ...] [RESOURCES])
# RESOURCES links the program's .rc into the Windows test binary.
# Natively every test case is its own CTest test; under Wine a process start costs
# seconds, so there the whole binary is one CTest test.
function(tpx_add_gtest name)
  cmake_parse_arguments(ARG "RESOURCES" "" "SOURCES;LIBS;ENV" ${ARGN})
  if(WIN32 AND ARG_RESOURCES)
    list(APPEND ARG_SOURCES ${TPX_RESOURCE_FILE})
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} tpx_gtest_main tpx_options)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE TPX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                             TPX_BINARY_DIR="${CMAKE_BINARY_DIR}")
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:${CMAKE_BINARY_DIR}/test-results/${name}.xml)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${TPX_WINE_ENV};${ARG_ENV}" TIMEOUT 600)
  else()
    include(GoogleTest)
    gtest_discover_tests(${name} PROPERTIES ENVIRONMENT "${ARG_ENV}" TIMEOUT 120)
  endif()
endfunction()
