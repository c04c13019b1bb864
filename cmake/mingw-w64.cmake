# Cross-compiles for Windows with Debian's posix-thread MinGW-w64 compiler; the
# architecture's toolchain file sets CMAKE_SYSTEM_PROCESSOR and LDL_MINGW_TRIPLET first.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${LDL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LDL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${LDL_MINGW_TRIPLET}-windres)
set(CMAKE_STRIP ${LDL_MINGW_TRIPLET}-strip)

# Libraries and headers from the target's root and the MinGW Qt; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${LDL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
