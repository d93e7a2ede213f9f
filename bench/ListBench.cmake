# Load and save of the list file (see docs/benchmarks-list.md).
add_executable(list_bench list/ListBench.cpp)
target_link_libraries(list_bench PRIVATE skrytkar_policy skrytkar_core)
