# Cross-building for Windows with Debian's mingw-w64 compilers; included by mingw-x86_64.cmake
# and mingw-i686.cmake after they set KESTREL_MINGW_TRIPLET. The -posix compilers are the ones
# whose C++ library has std::thread and std::mutex; the program still links them statically.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KESTREL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTREL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_ASM_COMPILER ${KESTREL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_RC_COMPILER ${KESTREL_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KESTREL_MINGW_TRIPLET})
# Programs (pkg-config, the host compiler) come from this machine; libraries and headers only
# from the target's tree.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
