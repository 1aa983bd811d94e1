# cmake -DROOT=<Installer folder> [-DSTAMP=<file>] -P check-seam.cmake
#
# The layers above the platform (app, toolkit, draw, controls) include only the C++ standard
# library and each other's headers, and never test which OS they are built for. The shared
# platform headers and sources (platform/*.h, platform/*.cpp) follow the same include rule,
# since every backend builds them. Anything else, such as <X11/Xlib.h>, <cairo.h>,
# <fontconfig/fontconfig.h>, <windows.h>, <unistd.h> or "platform/linux/x11_display.h",
# belongs in a backend. Writes STAMP when everything keeps to this; fails otherwise.
cmake_minimum_required(VERSION 3.22)

if(NOT ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<Installer folder> [-DSTAMP=<file>] -P ${CMAKE_CURRENT_LIST_FILE}")
endif()

set(layers app toolkit draw controls)
set(portable "")
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE found ${ROOT}/${layer}/*.h ${ROOT}/${layer}/*.cpp)
  list(APPEND portable ${found})
endforeach()
file(GLOB shared ${ROOT}/platform/*.h ${ROOT}/platform/*.cpp)

set(include_pattern "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]*)[>\"]")
set(standard_header "^[a-z0-9_]+$")
set(project_header "^(app|toolkit|draw|controls|platform)/[^/]+$")
set(os_test "^[ \t]*#[ \t]*(if|ifdef|ifndef|elif).*(_WIN32|_WIN64|_MSC_VER|__linux|__unix|__APPLE__|__gnu_linux__|__FreeBSD__)")

set(faults 0)
foreach(file IN LISTS portable shared)
  file(RELATIVE_PATH shown ${ROOT} ${file})
  file(STRINGS ${file} directives REGEX "^[ \t]*#[ \t]*(include|if|ifdef|ifndef|elif)")
  foreach(line IN LISTS directives)
    if(line MATCHES "${include_pattern}")
      set(header "${CMAKE_MATCH_2}")
      if(CMAKE_MATCH_1 STREQUAL "<")
        set(allowed_pattern "${standard_header}")
      else()
        set(allowed_pattern "${project_header}")
      endif()
      if(NOT header MATCHES "${allowed_pattern}")
        message(SEND_ERROR "${shown}: ${line}\n  an OS or backend header above Installer/platform; "
                           "reach the OS through a platform/*.h declaration instead")
        math(EXPR faults "${faults} + 1")
      endif()
    elseif(line MATCHES "${os_test}" AND NOT file IN_LIST shared)
      message(SEND_ERROR "${shown}: ${line}\n  code above Installer/platform does not depend on "
                         "the OS; the backend makes the difference")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "${faults} seam fault(s) above Installer/platform")
endif()
if(STAMP)
  file(TOUCH ${STAMP})
endif()
