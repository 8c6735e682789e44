# bench_compare: an A/B switch over the 9600-baud pseudo-terminal against the
# in-process simulator, timed against the wire time of what it sends.
add_executable(bench_compare ${CMAKE_CURRENT_LIST_DIR}/bench_compare.cpp)
target_link_libraries(bench_compare PRIVATE zef_test_support zef_app zefsim_lib benchmark::benchmark Qt6::Core)
set_target_properties(bench_compare PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
