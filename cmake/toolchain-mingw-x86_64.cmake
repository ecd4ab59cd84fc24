# 64-bit Windows, the build whose tests run here under wine64:
# cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake -DOMBREL_WINDOWS_DEPS=...
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(OMBREL_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
find_program(OMBREL_WINE64 wine64 PATHS /usr/lib/wine)
if(OMBREL_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${OMBREL_WINE64})
endif()
