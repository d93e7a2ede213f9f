# SevenZipPacker::Add against the `7z` command on the same generated corpus (run by hand, see
# docs/benchmarks-sevenzip.md; never part of CTest).
add_executable(sevenzip_bench sevenzip/SevenZipBench.cpp)
target_link_libraries(sevenzip_bench PRIVATE skrytkar_policy skrytkar_sevenzip skrytkar_archive Qt6::Core)
