# bench_link: exchange round trip over loopback TCP and a memory read over the
# 9600-baud pseudo-terminal, both against the in-process simulator.
add_executable(bench_link ${CMAKE_CURRENT_LIST_DIR}/bench_link.cpp)
target_link_libraries(bench_link PRIVATE zef_test_support zef_device zefsim_lib benchmark::benchmark Qt6::Core)
set_target_properties(bench_link PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
