# The unattended archive run against the 7z command (see docs/benchmarks-run.md).
add_executable(RunBench run/RunBench.cpp)
target_link_libraries(RunBench PRIVATE skrytkar_policy skrytkar_archive)
add_dependencies(RunBench skrytkar)
target_compile_definitions(RunBench PRIVATE SKRYTKAR_BINARY="$<TARGET_FILE:skrytkar>")
