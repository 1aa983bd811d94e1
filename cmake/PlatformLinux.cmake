# The Linux backend, one library per folder of Installer/platform, each with only what it needs:
#   kestrel_platform_posix  processes and child processes, files and their SHA-256 (GLib), the
#                           invoking user, message box
#   kestrel_platform_crash  thread start, fault guard, crash server, minidump writer
#   kestrel_platform_wine   the Wine prefix, its registry files and host paths
#   kestrel_platform_x11    windows, input, painting and text on Xlib, cairo and pango; the
#                           screen-reader bridge on ATK
# Only kestrel_platform_x11 sees X11, cairo and pango (kestrel_platform_posix GLib alone, for
# SHA-256), and PRIVATE, so that nothing linking it gets their headers. kestrel_platform gathers
# the four and the embedded resources.

pkg_check_modules(X11DEPS REQUIRED IMPORTED_TARGET x11 xext xrandr)
pkg_check_modules(DRAWDEPS REQUIRED IMPORTED_TARGET cairo pangocairo fontconfig)
pkg_check_modules(GLIBDEPS REQUIRED IMPORTED_TARGET glib-2.0)
# The screen-reader bridge: ATK objects, handed to AT-SPI by the standard ATK bridge.
pkg_check_modules(ATKDEPS REQUIRED IMPORTED_TARGET atk atk-bridge-2.0)

# kestrel_platform_<folder>: the sources of Installer/platform/<folder>.
function(kestrel_platform_library folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/Installer/platform/${folder}/*.cpp)
  add_library(kestrel_platform_${folder} STATIC ${sources})
endfunction()

kestrel_platform_library(posix)
target_link_libraries(kestrel_platform_posix PUBLIC kestrel_platform_shared
                                            PRIVATE PkgConfig::GLIBDEPS)

# Thread start forks the crash server before the new thread runs, so it lives here too.
kestrel_platform_library(crash)
target_link_libraries(kestrel_platform_crash PUBLIC kestrel_platform_posix)

kestrel_platform_library(wine)
target_link_libraries(kestrel_platform_wine PUBLIC kestrel_platform_posix)

kestrel_platform_library(x11)
target_link_libraries(kestrel_platform_x11
  PUBLIC kestrel_platform_posix
  PRIVATE kestrel_richtext PkgConfig::X11DEPS PkgConfig::DRAWDEPS PkgConfig::ATKDEPS)

# The blocks that cmake/Resources.cmake assembles, and their lookup.
add_library(kestrel_resources STATIC ${CMAKE_SOURCE_DIR}/Installer/resources/embedded_blocks.cpp
                                     ${KESTREL_RESOURCE_SOURCES})
target_link_libraries(kestrel_resources PUBLIC kestrel_platform_shared)
kestrel_add_resource_dependencies(kestrel_resources)

add_library(kestrel_platform INTERFACE)
target_link_libraries(kestrel_platform INTERFACE
  kestrel_platform_x11 kestrel_platform_crash kestrel_platform_wine kestrel_platform_posix
  kestrel_resources)
