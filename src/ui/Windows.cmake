# The windows: main window, menu panels, entry editor, folder picker, about window and the
# windowed start-up. Library skrytkar_ui; the help pages, the icon and the desktop entry.
set(SKRYTKAR_RESOURCE_DIR ${PROJECT_SOURCE_DIR}/src/resources)

add_library(skrytkar_ui STATIC
  Application.cpp Application.h
  ErrorReport.cpp ErrorReport.h
  GetFolder.cpp GetFolder.h
  UAbout.cpp UAbout.h
  UEdycja.cpp UEdycja.h
  UGlowny.cpp UGlowny.h
  UMenu.cpp UMenu.h
  WindowParts.cpp WindowParts.h
  ${SKRYTKAR_RESOURCE_DIR}/icon/skrytkar_icon.qrc
)
target_include_directories(skrytkar_ui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(skrytkar_ui PUBLIC skrytkar_policy skrytkar_skin skrytkar_archive skrytkar_core Qt6::Widgets)

# The tool that drew the icon (skrytkar.png is committed). Built so it never rots; never run.
add_executable(skrytkar_icon_generator ${SKRYTKAR_RESOURCE_DIR}/icon/IconGenerator.cpp)
target_link_libraries(skrytkar_icon_generator PRIVATE skrytkar_policy Qt6::Gui)

# The help pages lie beside the program in "Pomoc/": copied next to the built program so it
# finds them, and installed into the program folder.
file(GLOB_RECURSE SKRYTKAR_HELP_FILES CONFIGURE_DEPENDS
  RELATIVE ${SKRYTKAR_RESOURCE_DIR}/help ${SKRYTKAR_RESOURCE_DIR}/help/*)
set(SKRYTKAR_HELP_OUTPUTS)
foreach(help_file IN LISTS SKRYTKAR_HELP_FILES)
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/bin/Pomoc/${help_file}
    COMMAND ${CMAKE_COMMAND} -E copy ${SKRYTKAR_RESOURCE_DIR}/help/${help_file}
            ${PROJECT_BINARY_DIR}/bin/Pomoc/${help_file}
    DEPENDS ${SKRYTKAR_RESOURCE_DIR}/help/${help_file}
    VERBATIM)
  list(APPEND SKRYTKAR_HELP_OUTPUTS ${PROJECT_BINARY_DIR}/bin/Pomoc/${help_file})
endforeach()
add_custom_target(skrytkar_help ALL DEPENDS ${SKRYTKAR_HELP_OUTPUTS})
add_dependencies(skrytkar_ui skrytkar_help)

# The program folder, where the user chooses (CMAKE_INSTALL_PREFIX): the program (installed by
# the main block's rule), "Pomoc/", the icon and a desktop entry that points at both.
install(DIRECTORY ${SKRYTKAR_RESOURCE_DIR}/help/ DESTINATION Pomoc)
install(FILES ${SKRYTKAR_RESOURCE_DIR}/icon/skrytkar.png DESTINATION .)
install(CODE "
  set(program_folder \"\${CMAKE_INSTALL_PREFIX}\")
  file(READ \"${SKRYTKAR_RESOURCE_DIR}/skrytkar.desktop\" entry)
  string(REPLACE \"Exec=skrytkar\" \"Exec=\\\"\${program_folder}/skrytkar\\\"\" entry \"\${entry}\")
  string(REPLACE \"Icon=skrytkar\" \"Icon=\${program_folder}/skrytkar.png\" entry \"\${entry}\")
  string(APPEND entry \"Path=\${program_folder}\\n\")
  file(WRITE \"\$ENV{DESTDIR}\${program_folder}/skrytkar.desktop\" \"\${entry}\")
  message(STATUS \"Installing: \$ENV{DESTDIR}\${program_folder}/skrytkar.desktop\")
")
