# Test support: GoogleTest cross-built from Debian's sources, and CTest entries
# that run each test executable under Wine in a prefix of the build's own.
#
#   tarnel_add_test(<name> SOURCES <files...> [LIBS <libs...>] [NO_GTEST_MAIN]
#                   [FRESH_PREFIX] [TIMEOUT <seconds>])
#
# makes the executable <name>.exe in bin/ (beside LM800MUL.dll) and one CTest
# entry for it; FRESH_PREFIX runs it in a fresh copy of the prepared prefix.
# Every entry needs the "wine_env" fixture, which prepares the prefix, starts
# Xvfb with a window manager and a persistent wineserver, and stops them after
# the run.

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

if(TARNEL_BUILD_TESTS)
  set(GTEST_SRC /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GTEST_SRC} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

set(TARNEL_WINE_ENV ${CMAKE_SOURCE_DIR}/scripts/wine-env)
set(TARNEL_WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run)

function(tarnel_add_test name)
  cmake_parse_arguments(T "NO_GTEST_MAIN;FRESH_PREFIX" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_NO_GTEST_MAIN)
    target_link_libraries(${name} PRIVATE gtest gmock ${T_LIBS})
  else()
    target_link_libraries(${name} PRIVATE gtest_main gmock ${T_LIBS})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set(fresh)
  if(T_FRESH_PREFIX)
    set(fresh --fresh-prefix ${name})
  endif()
  add_test(NAME ${name} COMMAND ${TARNEL_WINE_RUN} ${fresh} ${CMAKE_BINARY_DIR} $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_env RUN_SERIAL TRUE
                                          TIMEOUT ${T_TIMEOUT})
endfunction()
