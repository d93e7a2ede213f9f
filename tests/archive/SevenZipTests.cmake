# The 7z archive component: unit tests of its parts and adds against the real 7-Zip library.
skrytkar_add_test(SevenZipTests
  SOURCES
    sevenzip/SevenZipAddTests.cpp
  LIBS skrytkar_sevenzip skrytkar_core Qt6::Core)
