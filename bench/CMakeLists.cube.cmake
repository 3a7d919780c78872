# colour_cube_bench: the point arithmetic of a full 8-bit-per-channel colour cube, without the GL.
find_package(benchmark REQUIRED)

add_executable(colour_cube_bench ${CMAKE_CURRENT_LIST_DIR}/colour_cube_bench.cpp)
target_compile_options(colour_cube_bench PRIVATE -Wall -Wextra)
target_link_libraries(colour_cube_bench PRIVATE lanternis_parts benchmark::benchmark)
