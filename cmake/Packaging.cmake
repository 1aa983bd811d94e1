# The Debian package of the Linux installer (`cpack -G DEB` in the build folder): the program in
# /usr/bin, its man page made from --help by help2man, a desktop entry and the icon in every size
# of Installer/resources, so that the installer appears in the desktop's menu. Depends come from
# dpkg-shlibdeps; the package lands in <build>/release.

include(GNUInstallDirs)
find_program(KESTREL_HELP2MAN help2man REQUIRED)

# Folders in the package are 0755 whatever the umask of the machine that builds it.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS kestrel-installer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KESTREL_RESOURCE_DIR}/kestrel-installer.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${KESTREL_RESOURCE_DIR}/icon-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME kestrel-installer.png)
endforeach()

# help2man dates the page by SOURCE_DATE_EPOCH; gzip -n leaves out the name and time. The page
# is named after the command, which the first word of --version ("Kestrel") is not.
set(KESTREL_MAN_PAGE ${CMAKE_BINARY_DIR}/man/kestrel-installer.1)
add_custom_command(
  OUTPUT ${KESTREL_MAN_PAGE}.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
  COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${KESTREL_SOURCE_DATE_EPOCH}
          ${KESTREL_HELP2MAN} --no-info --section=1
          "--version-string=kestrel-installer ${KESTREL_RELEASE_VERSION}"
          "--name=install the Kestrel 3D plug-in into After Effects under Wine"
          --output=${KESTREL_MAN_PAGE} $<TARGET_FILE:kestrel-installer>
  COMMAND gzip -9nf ${KESTREL_MAN_PAGE}
  DEPENDS kestrel-installer
  COMMENT "Making the man page from --help"
  VERBATIM)
add_custom_target(kestrel_man_page ALL DEPENDS ${KESTREL_MAN_PAGE}.gz)
install(FILES ${KESTREL_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrel-installer)
set(CPACK_PACKAGE_VENDOR Larkspur)
set(CPACK_PACKAGE_CONTACT "Larkspur support <support@larkspur.example>")
set(CPACK_PACKAGE_VERSION ${KESTREL_RELEASE_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "installer of the Kestrel 3D plug-in for After Effects")
# The summary is the first line of the control file's Description, this the rest.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "Finds the versions of Adobe After Effects registered in the user's Wine prefix and\n"
       "installs the Kestrel 3D plug-in into their plug-in folders, with a wizard or without a\n"
       "window (--silent, --list).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the program starts or draws with but does not link: the desktop's dialogs, and the fonts
# that the wizard and the licence ask for.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "zenity | kdialog, fonts-dejavu-core, fonts-liberation2, fonts-crosextra-carlito")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS wine)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/release)
# cpack dates the archive's members by SOURCE_DATE_EPOCH from its own environment.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackDate.cmake)
file(CONFIGURE OUTPUT ${CPACK_PROJECT_CONFIG_FILE} CONTENT
     "if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT \"@KESTREL_SOURCE_DATE_EPOCH@\" STREQUAL \"\")
  set(ENV{SOURCE_DATE_EPOCH} @KESTREL_SOURCE_DATE_EPOCH@)
endif()
" @ONLY)
include(CPack)
