# The install layout and the Debian package. One layout under any prefix:
#
#   <prefix>/lib/skrytkar/skrytkar           the program; its folder holds Pomoc/ and may hold 7z.so
#   <prefix>/lib/skrytkar/Pomoc/             the help pages (found beside the running program)
#   <prefix>/bin/skrytkar                    a relative symbolic link to the program
#   <prefix>/share/applications/skrytkar.desktop
#   <prefix>/share/metainfo/org.example.skrytkar.metainfo.xml
#   <prefix>/share/man/man1/skrytkar.1.gz
#   <prefix>/share/icons/hicolor/<N>x<N>/apps/skrytkar.png
#
# "cpack -G DEB" in the build folder packs it with the prefix /usr; "cmake --install build
# --prefix <folder>" lays it out in a folder of the user's.

set(SKRYTKAR_RESOURCE_DIR ${PROJECT_SOURCE_DIR}/src/resources)
set(SKRYTKAR_VERSION ${PROJECT_VERSION})

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
  set(SKRYTKAR_DESKTOP_SOURCE \"${SKRYTKAR_RESOURCE_DIR}/skrytkar.desktop\")
  set(SKRYTKAR_PROGRAM_DIR \"${SKRYTKAR_PROGRAM_DIR}\")
")
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/InstallDesktopEntry.cmake)

install(FILES ${SKRYTKAR_RESOURCE_DIR}/org.example.skrytkar.metainfo.xml DESTINATION share/metainfo)
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

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skrytkar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Skrytkar")
set(CPACK_PACKAGE_CONTACT "Skrytkar <skrytkar@example.org>")
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
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://skrytkar.example.org")
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
