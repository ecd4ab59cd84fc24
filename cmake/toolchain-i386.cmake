# The 32-bit Linux build: Debian's i686 cross compiler over the private sysroot of
# Debian's i386 packages that scripts/setup_i386.sh makes and names in OMBREL_I386_SYSROOT.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)

if(NOT OMBREL_I386_SYSROOT)
  message(FATAL_ERROR "OMBREL_I386_SYSROOT names no sysroot: scripts/setup_i386.sh makes one")
endif()
# try_compile projects read this file again and need the sysroot too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES OMBREL_I386_SYSROOT)
set(CMAKE_SYSROOT ${OMBREL_I386_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_SYSROOT_DIR} ${CMAKE_SYSROOT})
set(ENV{PKG_CONFIG_LIBDIR} ${CMAKE_SYSROOT}/usr/lib/i386-linux-gnu/pkgconfig:${CMAKE_SYSROOT}/usr/share/pkgconfig)

# x87 arithmetic rounds differently from the 64-bit build's SSE: the physics then drifts
# and replays miss their exits. Every 32-bit x86 of the last twenty years has SSE2.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

# The i386 programs run under qemu, as a 32-bit processor with SSE2 (coreduo): on
# qemu's default "max" model the software OpenGL's generated code samples textures
# wrongly. Test discovery and ctest start the test programs through the emulator;
# whole-program tests start the game directly (binfmt_misc) with this environment.
# The emulator takes its settings from the environment too, which the programs it
# runs hand on: a test program that starts itself again (a death test) runs
# through binfmt_misc with the same processor and sysroot.
set(OMBREL_EMULATOR_ENVIRONMENT QEMU_CPU=coreduo QEMU_LD_PREFIX=${CMAKE_SYSROOT})
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env ${OMBREL_EMULATOR_ENVIRONMENT} /usr/bin/qemu-i386-static)
