# 32-bit Windows: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake -DOMBREL_WINDOWS_DEPS=...
set(CMAKE_SYSTEM_PROCESSOR i686)
set(OMBREL_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
