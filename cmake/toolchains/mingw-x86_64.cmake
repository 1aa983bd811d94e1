# 64-bit Windows (x86_64), tested under Wine like the 32-bit build that ships.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KESTREL_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
