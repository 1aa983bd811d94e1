# 64-bit Windows (x86_64): the build the tests run under wine64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KESTREL_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
