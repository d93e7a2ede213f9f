# The 7z archive component: unit tests of its parts and adds against the real 7-Zip library.
add_library(skrytkar_fake_7z MODULE sevenzip/FakeSevenZip.cpp)
target_link_libraries(skrytkar_fake_7z PRIVATE skrytkar_policy)

skrytkar_add_test(SevenZipTests
  SOURCES
    sevenzip/SevenZipAddTests.cpp
    sevenzip/SevenZipPartsTests.cpp
    sevenzip/SevenZipTestSupport.h
  LIBS skrytkar_sevenzip skrytkar_core Qt6::Core)
target_compile_definitions(SevenZipTests PRIVATE SKRYTKAR_FAKE_7Z="$<TARGET_FILE:skrytkar_fake_7z>")
add_dependencies(SevenZipTests skrytkar_fake_7z)
