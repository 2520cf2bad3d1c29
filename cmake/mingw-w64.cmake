# Cross build for 64-bit Windows with MinGW-w64 on Debian.
# The -posix flavour of the compilers provides std::thread and friends
# (GoogleTest needs them); everything is linked statically so that the
# executables run on a bare Windows (and under Wine) without MinGW DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MORIMO_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${MORIMO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MORIMO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${MORIMO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MORIMO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
# Our resource scripts are UTF-8 (they also say so with #pragma code_page).
set(CMAKE_RC_FLAGS_INIT "-c 65001")

# CTest (and gtest discovery) run the Windows programs through Wine.
get_filename_component(MORIMO_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "/bin/bash;${MORIMO_WINE_RUN}")
