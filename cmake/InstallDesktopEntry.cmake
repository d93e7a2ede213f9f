# Runs at install time (cmake/Packaging.cmake): writes the desktop entry. Under /usr, the
# package, it names the program and the icon plainly, as the desktop finds them there; under
# any other prefix by full path, which works wherever the folder is.
file(READ "${SKRYTKAR_DESKTOP_SOURCE}" entry)
if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  # Exec quoting of the desktop entry format: the path in double quotes with \ " ` $ escaped
  # by a backslash and % doubled; then, as in every value, each backslash doubled again.
  set(program "${CMAKE_INSTALL_PREFIX}/bin/skrytkar")
  string(REPLACE "\\" "\\\\" program "${program}")
  string(REPLACE "\"" "\\\"" program "${program}")
  string(REPLACE "`" "\\`" program "${program}")
  string(REPLACE "$" "\\$" program "${program}")
  string(REPLACE "%" "%%" program "${program}")
  set(program "\"${program}\"")
  string(REPLACE "\\" "\\\\" program "${program}")
  set(icon "${CMAKE_INSTALL_PREFIX}/share/icons/hicolor/256x256/apps/${SKRYTKAR_APP_ID}.png")
  string(REPLACE "\\" "\\\\" icon "${icon}")
  string(REPLACE "\nExec=skrytkar\n" "\nExec=${program}\n" entry "${entry}")
  string(REPLACE "\nIcon=${SKRYTKAR_APP_ID}\n" "\nIcon=${icon}\n" entry "${entry}")
endif()
set(target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/${SKRYTKAR_APP_ID}.desktop")
file(WRITE "${target}" "${entry}")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${target}")
message(STATUS "Installing: ${target}")
