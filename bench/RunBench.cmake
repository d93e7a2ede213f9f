# The unattended archive run against the 7z command (see docs/benchmarks-run.md).
add_executable(RunBench run/RunBench.cpp run/BenchSupport.h)
target_link_libraries(RunBench PRIVATE skrytkar_policy skrytkar_archive)
add_dependencies(RunBench skrytkar)
target_compile_definitions(RunBench PRIVATE SKRYTKAR_BINARY="$<TARGET_FILE:skrytkar>")

# An unchanged entry linked against packed, and an unchanged second run against restic and borg
# (see docs/benchmarks-run.md).
add_executable(UnchangedBench run/UnchangedBench.cpp run/BenchSupport.h)
target_link_libraries(UnchangedBench PRIVATE skrytkar_policy skrytkar_archive)

# Runs that build on the newest earlier archive against packing anew, the 7z command and restic
# (see docs/benchmarks-run.md).
add_executable(UpdateBench run/UpdateBench.cpp run/BenchSupport.h)
target_link_libraries(UpdateBench PRIVATE skrytkar_policy skrytkar_archive)
