# The 7z archive component over the 7-Zip library (loaded at run time), with its update
# callback, streams and the small file-system layer it stands on.
add_library(skrytkar_sevenzip STATIC
  SevenZip.cpp SevenZip.h
  SevenZipInterfaces.h
  SevenZipLibrary.cpp SevenZipLibrary.h
  CompressionProperties.cpp CompressionProperties.h
  EventChannel.cpp EventChannel.h
  FileSystem.cpp FileSystem.h
  InterfacedObject.h
  ItemGatherer.cpp ItemGatherer.h
  StreamReader.cpp StreamReader.h
  StreamWriter.cpp StreamWriter.h
  UpdateCallback.cpp UpdateCallback.h
)
target_include_directories(skrytkar_sevenzip PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(skrytkar_sevenzip
  PUBLIC skrytkar_policy Qt6::Core
  PRIVATE skrytkar_core ${CMAKE_DL_LIBS} Threads::Threads)
