# The host compiler producing 32-bit (i386) Linux code: the logic that needs no Win32, and its tests, with
# the 4-byte pointers and longs of the i686 Windows program. Needs g++-multilib; the tests run only on a
# machine whose kernel runs 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set_property(GLOBAL PROPERTY FIND_LIBRARY_USE_LIB64_PATHS OFF)
