# Copies one help file beside the built program; pages get the version written in.
# cmake -DSOURCE=<file> -DTARGET=<file> -DSKRYTKAR_VERSION=<version> -P CopyHelpFile.cmake
if(SOURCE MATCHES "\\.html?$")
  configure_file(${SOURCE} ${TARGET} @ONLY)
else()
  configure_file(${SOURCE} ${TARGET} COPYONLY)
endif()
