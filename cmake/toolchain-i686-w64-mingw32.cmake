# Cross-compiling for Windows with Debian's MinGW-w64 (the -posix variants, which have std::thread).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VEXTRAL_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${VEXTRAL_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEXTRAL_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${VEXTRAL_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VEXTRAL_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test executables run under Wine, inside the project's own prefix and virtual display.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
