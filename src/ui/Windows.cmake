add_library(skrytkar_ui INTERFACE)
