# Keeps the platform seam in the build: kestrel_seam_check runs cmake/check-seam.cmake over the
# portable layers whenever one of their files changes, and fails the build on an OS include.
# The OS libraries being PRIVATE to the backend is not enough on its own, because X11 and
# fontconfig headers sit on the compiler's default include path.

file(GLOB_RECURSE KESTREL_SEAM_FILES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/Installer/app/*.h ${CMAKE_SOURCE_DIR}/Installer/app/*.cpp
  ${CMAKE_SOURCE_DIR}/Installer/toolkit/*.h ${CMAKE_SOURCE_DIR}/Installer/toolkit/*.cpp
  ${CMAKE_SOURCE_DIR}/Installer/draw/*.h ${CMAKE_SOURCE_DIR}/Installer/draw/*.cpp
  ${CMAKE_SOURCE_DIR}/Installer/controls/*.h ${CMAKE_SOURCE_DIR}/Installer/controls/*.cpp)
file(GLOB KESTREL_SEAM_SHARED_FILES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/Installer/platform/*.h ${CMAKE_SOURCE_DIR}/Installer/platform/*.cpp)

set(KESTREL_SEAM_SCRIPT ${CMAKE_SOURCE_DIR}/cmake/check-seam.cmake)
set(KESTREL_SEAM_STAMP ${CMAKE_BINARY_DIR}/seam-check.stamp)
add_custom_command(
  OUTPUT ${KESTREL_SEAM_STAMP}
  COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_SOURCE_DIR}/Installer -DSTAMP=${KESTREL_SEAM_STAMP}
          -P ${KESTREL_SEAM_SCRIPT}
  DEPENDS ${KESTREL_SEAM_SCRIPT} ${KESTREL_SEAM_FILES} ${KESTREL_SEAM_SHARED_FILES}
  COMMENT "Checking that nothing above Installer/platform reaches the OS"
  VERBATIM)
add_custom_target(kestrel_seam_check ALL DEPENDS ${KESTREL_SEAM_STAMP})
