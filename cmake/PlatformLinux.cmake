# The Linux backend: Xlib for windows and input, cairo and pango (with fontconfig) for drawing and
# text. Its OS libraries are PRIVATE, so a target that links it does not get their headers.
# Defines kestrel_platform_linux and the alias kestrel_platform.

pkg_check_modules(X11DEPS REQUIRED IMPORTED_TARGET x11 xext xrandr)
pkg_check_modules(DRAWDEPS REQUIRED IMPORTED_TARGET cairo pangocairo fontconfig)

# platform/*.cpp is portable; platform/gcc/ holds what the backends share through GCC's runtime.
file(GLOB KESTREL_PLATFORM_SHARED_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/Installer/platform/*.cpp ${CMAKE_SOURCE_DIR}/Installer/platform/gcc/*.cpp)
file(GLOB_RECURSE KESTREL_PLATFORM_LINUX_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/Installer/platform/linux/*.cpp)

add_library(kestrel_platform_linux STATIC
  ${KESTREL_PLATFORM_SHARED_SOURCES} ${KESTREL_PLATFORM_LINUX_SOURCES}
  ${KESTREL_RESOURCE_SOURCES})
target_include_directories(kestrel_platform_linux PUBLIC ${CMAKE_SOURCE_DIR}/Installer)
target_link_libraries(kestrel_platform_linux
  PUBLIC Threads::Threads
  PRIVATE PkgConfig::X11DEPS PkgConfig::DRAWDEPS)
kestrel_add_resource_dependencies(kestrel_platform_linux)

add_library(kestrel_platform ALIAS kestrel_platform_linux)
