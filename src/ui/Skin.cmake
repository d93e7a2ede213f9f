add_library(skrytkar_skin INTERFACE)
