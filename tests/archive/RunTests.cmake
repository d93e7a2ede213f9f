# The archive run and the start-up through port fakes, with the real packer and the real 7z.
skrytkar_add_test(ArchiveRunTests
  SOURCES run/ArchiveRunTest.cpp run/RunFakes.h run/RunTestSupport.h
  LIBS skrytkar_archive)
skrytkar_add_test(StartupTests
  SOURCES run/StartupTest.cpp run/RunFakes.h run/RunTestSupport.h
  LIBS skrytkar_archive)

# The real program, copied into a folder of its own and started as `skrytkar /all` without a
# display (the test removes DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM from its child).
skrytkar_add_test(AppEndToEndTests
  SOURCES ${PROJECT_SOURCE_DIR}/tests/app/AppEndToEndTest.cpp run/RunTestSupport.h
  LIBS skrytkar_core)
target_include_directories(AppEndToEndTests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
add_dependencies(AppEndToEndTests skrytkar)
target_compile_definitions(AppEndToEndTests PRIVATE SKRYTKAR_BINARY="$<TARGET_FILE:skrytkar>")
