# GoogleTest for both builds: the machine's package natively, and built from
# the sources Debian's googletest package installs for the Windows build.
include(GoogleTest)

if(WIN32)
  set(MORIMO_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(${MORIMO_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_package(GTest REQUIRED)
endif()

# morimo_add_gtest(<name> SOURCES ... LIBS ...)
# The tests are discovered by asking the binary for its list, so that
# parameterised and typed tests get their real names. Natively that happens
# after the build; in the cross build only when CTest starts (PRE_TEST), so
# that building never needs Wine. There the list and every test run through
# CMAKE_CROSSCOMPILING_EMULATOR (scripts/wine-run.sh), one Wine process per
# test, which needs a started environment (scripts/wine-env.sh).
function(morimo_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gtest)
  # The framework's header is most of what every test source compiles:
  # parsed once a test program, not once a source.
  target_precompile_headers(${name} PRIVATE <gtest/gtest.h> <string> <vector>)
  # Warnings for the C++ sources only: a resource script goes to windres.
  target_compile_options(${name} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${MORIMO_WARNINGS}>)
  if(WIN32)
    # A bound above wine-run.sh's own, which says what it stopped. They all
    # share one Wine desktop, so one at a time; an end-to-end scenario (its
    # own screen and prefix) may run beside them.
    gtest_discover_tests(${name} TEST_PREFIX "wine." DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 330 RESOURCE_LOCK wine_desktop)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
