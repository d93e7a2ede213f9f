# The windows, driven as real widgets under the offscreen platform.
skrytkar_add_test(ui_windows_test GUI
  SOURCES
    windows/WindowsFixture.cpp windows/WindowsFixture.h
    windows/MainWindowTest.cpp
    windows/MenuTest.cpp
    windows/EditorTest.cpp
    windows/ArchiveFromWindowTest.cpp
    windows/GetFolderTest.cpp
  LIBS skrytkar_ui skrytkar_sevenzip Qt6::Test)

# Takes the screenshots of docs/windows.md on a real (virtual) display; never run by CTest.
add_executable(windows_screenshots windows/WindowsScreenshots.cpp)
target_link_libraries(windows_screenshots PRIVATE skrytkar_policy skrytkar_ui skrytkar_sevenzip Qt6::Test)

# The application object's error report, with an application of its own.
skrytkar_add_test(ui_error_report_test SOURCES windows/ErrorReportTest.cpp LIBS skrytkar_ui)
