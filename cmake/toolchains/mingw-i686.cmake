# 32-bit Windows (i686): the build that ships. This machine cannot run it, even under Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KESTREL_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
