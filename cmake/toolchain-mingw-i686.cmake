# 32-bit Windows: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake -DOMBREL_WINDOWS_DEPS=...
set(CMAKE_SYSTEM_PROCESSOR i686)
set(OMBREL_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
# SSE2 maths as on x86-64: with the x87 unit's wider intermediates the physics
# no longer follows the replays. Windows keeps 32-bit stacks 4-byte aligned, so
# every function realigns its own for SSE.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
