# The skin: picture resources, the cylinder progress bar, the message dialog.
skrytkar_add_test(ui_image_resource_test GUI
  SOURCES skin/ImageResourceTest.cpp
  LIBS skrytkar_skin)
skrytkar_add_test(ui_progress_cyl_test GUI
  SOURCES skin/ProgressCylTest.cpp skin/StatusBars.h
  LIBS skrytkar_skin Qt6::Test)
target_include_directories(ui_progress_cyl_test PRIVATE ${PROJECT_SOURCE_DIR}/src/archive)
skrytkar_add_test(ui_warning_test GUI
  SOURCES skin/UWarningTest.cpp
  LIBS skrytkar_skin Qt6::Test)

# Renders the screenshots under docs/screenshots from the real widgets (scripts/make-skin.sh).
add_executable(skrytkar_skin_screenshots skin/SkinScreenshots.cpp skin/StatusBars.h)
target_link_libraries(skrytkar_skin_screenshots PRIVATE skrytkar_policy skrytkar_skin)
