# Cross-compiling for Windows with Debian's clang against MinGW-w64 (a second compiler for the product).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VEXTRAL_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/clang-mingw.cmake)
