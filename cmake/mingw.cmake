# Cross-building for Windows with mingw-w64: included by the two toolchain files
# once they have set OMBREL_MINGW_TRIPLET. The posix compilers: the default i686
# one has no std::thread. The libraries come from OMBREL_WINDOWS_DEPS, the folder
# scripts/windows_deps.sh printed (one prefix per target), found through their
# pkg-config files; mingw-w64 itself supplies zlib, OpenGL and GLU.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${OMBREL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OMBREL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${OMBREL_MINGW_TRIPLET}-windres)

# try_compile projects read this file again without the cache: the folder passes through.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES OMBREL_WINDOWS_DEPS)
set(ombrel_prefix ${OMBREL_WINDOWS_DEPS}/${OMBREL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH /usr/${OMBREL_MINGW_TRIPLET} ${ombrel_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} ${ombrel_prefix}/lib/pkgconfig:/usr/${OMBREL_MINGW_TRIPLET}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
