# Keeps the seams in the build: kestrel_seam_check runs cmake/check-seam.cmake over Installer/
# whenever one of its files changes, and fails the build on an include that a folder may not
# make: an OS header above the platform, anything of the platform in richtext, the X11 stack
# outside platform/x11. Linking the OS libraries PRIVATE is not enough on its own, because X11
# and fontconfig headers sit on the compiler's default include path.

file(GLOB_RECURSE KESTREL_SEAM_FILES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/Installer/*.h ${CMAKE_SOURCE_DIR}/Installer/*.cpp)

set(KESTREL_SEAM_SCRIPT ${CMAKE_SOURCE_DIR}/cmake/check-seam.cmake)
set(KESTREL_SEAM_STAMP ${CMAKE_BINARY_DIR}/seam-check.stamp)
add_custom_command(
  OUTPUT ${KESTREL_SEAM_STAMP}
  COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_SOURCE_DIR}/Installer -DSTAMP=${KESTREL_SEAM_STAMP}
          -P ${KESTREL_SEAM_SCRIPT}
  DEPENDS ${KESTREL_SEAM_SCRIPT} ${KESTREL_SEAM_FILES}
  COMMENT "Checking that each folder of Installer/ includes only what it may"
  VERBATIM)
add_custom_target(kestrel_seam_check ALL DEPENDS ${KESTREL_SEAM_STAMP})

# Every library of Installer/ waits for it, so that a stray include stops the first build of
# the library that holds it.
foreach(target kestrel_unicode kestrel_richtext kestrel_platform_shared kestrel_platform_posix
               kestrel_platform_crash kestrel_platform_wine kestrel_platform_x11
               kestrel_platform_win32 kestrel_resources)
  if(TARGET ${target})
    add_dependencies(${target} kestrel_seam_check)
  endif()
endforeach()
