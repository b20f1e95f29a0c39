# Shared by the clang toolchain files: Debian's clang cross-compiling for Windows against the MinGW-w64
# headers and libraries and the libstdc++ of MinGW-w64's g++ (the -posix one, which has std::thread).
# Expects VEXTRAL_TRIPLE. The resource compiler stays GNU windres; the linker is lld, which (unlike the
# MinGW ld) links clang's objects against g++'s libstdc++ without "duplicate section" warnings.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER   clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET   ${VEXTRAL_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${VEXTRAL_TRIPLE})
set(CMAKE_RC_COMPILER ${VEXTRAL_TRIPLE}-windres)
set(CMAKE_SYSROOT /usr/${VEXTRAL_TRIPLE})

# clang does not recognise Debian's "12-posix" as a GCC version directory, so it finds no libstdc++ by
# itself: name the headers and libraries. (With the sysroot set, no host header directory is searched.)
file(GLOB vx_gcc_dirs /usr/lib/gcc/${VEXTRAL_TRIPLE}/*-posix)
list(SORT vx_gcc_dirs COMPARE NATURAL ORDER DESCENDING)
list(GET vx_gcc_dirs 0 vx_gcc_dir)
set(vx_cxx_include ${vx_gcc_dir}/include/c++)
set(CMAKE_CXX_FLAGS_INIT
    "-isystem ${vx_cxx_include} -isystem ${vx_cxx_include}/${VEXTRAL_TRIPLE} -isystem ${vx_cxx_include}/backward")
# -pthread links winpthread, which libgcc's thread-local emulation needs under -static.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${vx_gcc_dir} -pthread")

set(CMAKE_FIND_ROOT_PATH /usr/${VEXTRAL_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
