# fill_bench: scalar loop against each vector path of number_fill.
find_package(benchmark REQUIRED)

add_executable(fill_bench ${CMAKE_CURRENT_LIST_DIR}/fill_bench.cpp)
target_compile_options(fill_bench PRIVATE -Wall -Wextra)
target_link_libraries(fill_bench PRIVATE number_fill benchmark::benchmark)
