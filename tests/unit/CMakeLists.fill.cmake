# number_fill_test: every vector path agrees with the std:: scalar loop.
find_package(GTest REQUIRED)
include(GoogleTest)

add_executable(number_fill_test ${CMAKE_CURRENT_LIST_DIR}/number_fill_test.cpp)
target_compile_options(number_fill_test PRIVATE -Wall -Wextra)
target_link_libraries(number_fill_test PRIVATE number_fill GTest::gtest_main)
gtest_discover_tests(number_fill_test)
