# 32-bit Windows (i686): the build that ships, tested under Wine like the 64-bit one.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KESTREL_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
