# The archive run and the start-up logic: Qt Core only, so the unattended run without a
# display needs no widgets at run time.
add_library(skrytkar_archive STATIC
  ArchiveRun.cpp ArchiveRun.h
  Startup.cpp Startup.h
  RunPorts.h
)
target_include_directories(skrytkar_archive PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(skrytkar_archive PUBLIC skrytkar_policy skrytkar_core skrytkar_sevenzip Qt6::Core)
