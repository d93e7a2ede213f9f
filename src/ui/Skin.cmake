# The skin: picture resources decoded by libjpeg, the image and hot-zone widgets, the message
# dialog and the cylinder progress bar. Nothing in core or archive links this library.
add_library(skrytkar_skin STATIC
  HotZone.cpp HotZone.h
  ImageResource.cpp ImageResource.h
  ProgressCyl.cpp ProgressCyl.h
  ProgressCylPort.h
  SkinFont.cpp SkinFont.h
  SkinImage.cpp SkinImage.h
  TitleDrag.cpp TitleDrag.h
  UWarning.cpp UWarning.h
)
target_include_directories(skrytkar_skin PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(skrytkar_skin
  PUBLIC skrytkar_policy skrytkar_core Qt6::Widgets
  PRIVATE skrytkar_resources PkgConfig::JPEG)
