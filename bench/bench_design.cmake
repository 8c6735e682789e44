add_executable(bench_design ${CMAKE_CURRENT_SOURCE_DIR}/bench_design.cpp)
target_link_libraries(bench_design PRIVATE zef_measure zef_test_design benchmark::benchmark)
set_target_properties(bench_design PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
set_target_properties(bench_design PROPERTIES AUTOMOC OFF)
