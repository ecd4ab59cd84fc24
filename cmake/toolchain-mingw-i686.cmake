# 32-bit Windows, cross-built with mingw-w64:
# cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake -DOMBREL_WINDOWS_DEPS=...
# The posix compilers: the default one has no std::thread. The libraries come
# from OMBREL_WINDOWS_DEPS, the folder scripts/windows_deps.sh printed (one
# prefix per target), found through their pkg-config files; mingw-w64 itself
# supplies zlib, OpenGL and GLU.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ombrel_triplet i686-w64-mingw32)
set(CMAKE_C_COMPILER ${ombrel_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ombrel_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${ombrel_triplet}-windres)

# try_compile projects read this file again without the cache: the folders pass through.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES OMBREL_WINDOWS_DEPS OMBREL_WINE32_SYSROOT)
set(ombrel_prefix ${OMBREL_WINDOWS_DEPS}/${ombrel_triplet})
set(CMAKE_FIND_ROOT_PATH /usr/${ombrel_triplet} ${ombrel_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} ${ombrel_prefix}/lib/pkgconfig:/usr/${ombrel_triplet}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# SSE2 maths as on x86-64: with the x87 unit's wider intermediates the physics
# no longer follows the replays. Windows keeps 32-bit stacks 4-byte aligned, so
# every function realigns its own for SSE.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")

# The programs run under wine32, which qemu-user emulates (scripts/wine32.sh),
# with the sysroot that scripts/setup_wine32.sh made, named in
# OMBREL_WINE32_SYSROOT, and in a 32-bit wine prefix of the build's own.
if(OMBREL_WINE32_SYSROOT)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env OMBREL_WINE32_SYSROOT=${OMBREL_WINE32_SYSROOT}
    WINEPREFIX=${CMAKE_BINARY_DIR}/wine ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine32.sh)
endif()
