# number_fill: the vectorised (sin x + cos x) * tan x fill, on SLEEF.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SLEEF REQUIRED IMPORTED_TARGET sleef)

add_library(number_fill STATIC ${CMAKE_CURRENT_LIST_DIR}/number_fill.cpp)
target_include_directories(number_fill PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_compile_features(number_fill PUBLIC cxx_std_20)
target_compile_options(number_fill PRIVATE -Wall -Wextra)
target_link_libraries(number_fill PRIVATE PkgConfig::SLEEF)
