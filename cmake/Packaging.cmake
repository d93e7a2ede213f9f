# The install layout and the Debian package. One layout under any prefix:
#
#   <prefix>/lib/skrytkar/skrytkar           the program; its folder holds Pomoc/ and may hold 7z.so
#   <prefix>/lib/skrytkar/Pomoc/             the help pages (found beside the running program)
#   <prefix>/bin/skrytkar                    a relative symbolic link to the program
#   <prefix>/share/applications/io.github.skrytkar.Skrytkar.desktop
#   <prefix>/share/metainfo/io.github.skrytkar.Skrytkar.metainfo.xml
#   <prefix>/share/man/man1/skrytkar.1.gz
#   <prefix>/share/icons/hicolor/<N>x<N>/apps/io.github.skrytkar.Skrytkar.png
#   <prefix>/share/doc/skrytkar/copyright, changelog.Debian.gz
#   <prefix>/share/lintian/overrides/skrytkar
#
# The desktop entry, the AppStream data and the icon share one name, the application's id.
#
# "cpack -G DEB" in the build folder packs it with the prefix /usr; "cmake --install build
# --prefix <folder>" lays it out in a folder of the user's.

set(SKRYTKAR_RESOURCE_DIR ${PROJECT_SOURCE_DIR}/src/resources)
set(SKRYTKAR_VERSION ${PROJECT_VERSION})
set(SKRYTKAR_APP_ID io.github.skrytkar.Skrytkar)
set(SKRYTKAR_MAINTAINER "Skrytkar developers <skrytkar@users.noreply.github.com>")

# bin/skrytkar points at the program, so the program still finds its own folder: the running
# executable is the link's target.
install(CODE "
  set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/skrytkar\")
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(REMOVE \"\${link}\")
  file(CREATE_LINK \"../${SKRYTKAR_PROGRAM_DIR}/skrytkar\" \"\${link}\" SYMBOLIC)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${link}\")
  message(STATUS \"Installing: \${link}\")
")

# The desktop entry names the program and the icon plainly under /usr; elsewhere by full path.
install(CODE "
  set(SKRYTKAR_DESKTOP_SOURCE \"${SKRYTKAR_RESOURCE_DIR}/${SKRYTKAR_APP_ID}.desktop\")
  set(SKRYTKAR_APP_ID \"${SKRYTKAR_APP_ID}\")
  set(SKRYTKAR_PROGRAM_DIR \"${SKRYTKAR_PROGRAM_DIR}\")
")
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/InstallDesktopEntry.cmake)

install(FILES ${SKRYTKAR_RESOURCE_DIR}/${SKRYTKAR_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(DIRECTORY ${SKRYTKAR_RESOURCE_DIR}/icon/hicolor DESTINATION share/icons)

# The manual page with the version written in, compressed as Debian keeps them.
configure_file(${SKRYTKAR_RESOURCE_DIR}/skrytkar.1.in ${PROJECT_BINARY_DIR}/man/skrytkar.1 @ONLY)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/man/skrytkar.1.gz
  COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/man/skrytkar.1
  DEPENDS ${PROJECT_BINARY_DIR}/man/skrytkar.1
  VERBATIM)
add_custom_target(skrytkar_man ALL DEPENDS ${PROJECT_BINARY_DIR}/man/skrytkar.1.gz)
install(FILES ${PROJECT_BINARY_DIR}/man/skrytkar.1.gz DESTINATION share/man/man1)

# The licence in Debian's machine-readable form and the package's changelog, compressed as
# Debian keeps it. The changelog's first entry names the package's version (check-package.sh).
configure_file(${SKRYTKAR_RESOURCE_DIR}/package/changelog.Debian ${PROJECT_BINARY_DIR}/doc/changelog.Debian COPYONLY)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/doc/changelog.Debian.gz
  COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/doc/changelog.Debian
  DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog.Debian
  VERBATIM)
add_custom_target(skrytkar_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog.Debian.gz)
install(FILES ${SKRYTKAR_RESOURCE_DIR}/package/copyright ${PROJECT_BINARY_DIR}/doc/changelog.Debian.gz
        DESTINATION share/doc/skrytkar)
# What lintian is told does not apply to a package outside Debian's archive (the file says why).
install(FILES ${SKRYTKAR_RESOURCE_DIR}/package/lintian-overrides DESTINATION share/lintian/overrides RENAME skrytkar)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skrytkar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Skrytkar developers")
set(CPACK_PACKAGE_CONTACT "${SKRYTKAR_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "backs up files and folders into dated 7z archives")
# Lines of the package's long description, as Debian wraps them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Skrytkar keeps a list of entries: a file or a folder to back up, a name and"
  "a destination folder. On request, or unattended from cron or a systemd timer,"
  "every chosen entry is packed into its own 7z archive inside a folder named"
  "after the date and time of the run. The user interface is Polish.")
# Installed under /usr with DESTDIR, so install-time code sees the real prefix.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Debian's first revision of this version, as the changelog says.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries the program links, from dpkg-shlibdeps; then what it loads or needs at run time:
# the 7-Zip library (/usr/lib/p7zip/7z.so) and Qt's platform plugins, which libqt6gui6 only
# recommends but without which no window opens.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "p7zip-full, qt6-qpa-plugins")
# The fonts the skin's designs map to, Qt's Polish texts for the file dialogs, and the opener
# of the help pages.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, fonts-liberation, qt6-translations-l10n, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
