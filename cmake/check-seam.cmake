# cmake -DROOT=<Installer folder> [-DSTAMP=<file>] -P check-seam.cmake
#
# Keeps each folder of Installer/ to what it may include:
# - the layers above the platform (app, toolkit, draw, controls) include only the C++ standard
#   library, each other's headers, the shared platform headers (platform/*.h) and unicode/, and
#   never test which OS they are built for. The shared platform headers and sources
#   (platform/*.h, platform/*.cpp) follow the same include rule, since every backend builds them;
# - richtext/ and unicode/ are plain C++: the standard library and themselves (richtext also
#   unicode/), nothing of the platform;
# - X11, cairo, pango and their kin (fontconfig, glib, atk) are reached from platform/x11 only
#   (GLib alone also from platform/posix, for its checksums), and nothing else includes
#   platform/x11.
# Anything else, such as <X11/Xlib.h> in an app file, <windows.h> in platform/Thread.h or
# "platform/x11/x11_display.h" in platform/wine, fails. Writes STAMP when everything keeps to
# this.
cmake_minimum_required(VERSION 3.22)

if(NOT ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<Installer folder> [-DSTAMP=<file>] -P ${CMAKE_CURRENT_LIST_FILE}")
endif()

set(include_pattern "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]*)[>\"]")
set(standard_header "^[a-z0-9_]+$")
# JSON for the command-line mode's machine-readable output: app only.
set(json_header "^nlohmann/json.hpp$")
set(os_test "^[ \t]*#[ \t]*(if|ifdef|ifndef|elif).*(_WIN32|_WIN64|_MSC_VER|__linux|__unix|__APPLE__|__gnu_linux__|__FreeBSD__)")
set(x11_stack_header "^(X11/|cairo|pango/|fontconfig/|glib|atk|platform/x11/)")

set(faults 0)
macro(seam_fault shown line why)
  message(SEND_ERROR "${shown}: ${line}\n  ${why}")
  math(EXPR faults "${faults} + 1")
endmacro()

# check_portable(<files> <quoted-header regex> <why>): standard headers in <>, project headers in
# quotes matching the regex, and no test of the OS.
function(check_portable files project_header why)
  foreach(file IN LISTS files)
    file(RELATIVE_PATH shown ${ROOT} ${file})
    file(STRINGS ${file} directives REGEX "^[ \t]*#[ \t]*(include|if|ifdef|ifndef|elif)")
    foreach(line IN LISTS directives)
      if(line MATCHES "${include_pattern}")
        set(header "${CMAKE_MATCH_2}")
        set(allowed_pattern "${project_header}")
        if(CMAKE_MATCH_1 STREQUAL "<")
          set(allowed_pattern "${standard_header}")
          if(shown MATCHES "^app/")
            set(allowed_pattern "${standard_header}|${json_header}")
          endif()
        endif()
        if(NOT header MATCHES "${allowed_pattern}")
          seam_fault("${shown}" "${line}" "${why}")
        endif()
      elseif(line MATCHES "${os_test}" AND NOT shown MATCHES "^platform/[^/]+$")
        seam_fault("${shown}" "${line}" "portable code does not depend on the OS; the backend makes the difference")
      endif()
    endforeach()
  endforeach()
  set(faults ${faults} PARENT_SCOPE)
endfunction()

function(glob_sources out)
  set(found "")
  foreach(pattern IN LISTS ARGN)
    file(GLOB_RECURSE matched ${ROOT}/${pattern}/*.h ${ROOT}/${pattern}/*.cpp)
    list(APPEND found ${matched})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

glob_sources(above app toolkit draw controls)
file(GLOB shared ${ROOT}/platform/*.h ${ROOT}/platform/*.cpp)
check_portable("${above};${shared}" "^(app|toolkit|draw|controls|platform|unicode)/[^/]+$"
               "an OS or backend header above Installer/platform; reach the OS through a platform/*.h declaration instead")

glob_sources(richtext richtext)
check_portable("${richtext}" "^(richtext|unicode)/[^/]+$"
               "the RTF engine is plain C++ and includes nothing of the platform")
glob_sources(unicode unicode)
check_portable("${unicode}" "^unicode/[^/]+$" "UTF-8 coding is plain C++ and stands alone")

# The backends' own folders and the resources may include system headers, but only
# platform/x11 those of the X11 stack. (The portable files above allow none at all.)
file(GLOB_RECURSE everything ${ROOT}/*.h ${ROOT}/*.cpp)
foreach(file IN LISTS everything)
  file(RELATIVE_PATH shown ${ROOT} ${file})
  if(shown MATCHES "^platform/x11/" OR file IN_LIST above OR file IN_LIST shared
     OR file IN_LIST richtext OR file IN_LIST unicode)
    continue()
  endif()
  file(STRINGS ${file} includes REGEX "${include_pattern}")
  foreach(line IN LISTS includes)
    if(NOT line MATCHES "${include_pattern}")
      continue()
    endif()
    set(header "${CMAKE_MATCH_2}")
    if(header STREQUAL "glib.h" AND shown MATCHES "^platform/posix/")
      continue()
    endif()
    if(header MATCHES "${x11_stack_header}")
      seam_fault("${shown}" "${line}" "X11, cairo and pango are reached from Installer/platform/x11 only")
    endif()
  endforeach()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "${faults} seam fault(s) in Installer/")
endif()
if(STAMP)
  file(TOUCH ${STAMP})
endif()
