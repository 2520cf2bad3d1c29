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
# Natively the tests are discovered by running the binary; under Wine they
# are read from the sources (gtest_add_tests), so that configuring does not
# start Wine, and each runs through CMAKE_CROSSCOMPILING_EMULATOR.
function(morimo_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gtest)
  target_compile_options(${name} PRIVATE ${MORIMO_WARNINGS})
  if(WIN32)
    gtest_add_tests(TARGET ${name} SOURCES ${ARG_SOURCES} TEST_PREFIX "wine.")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
