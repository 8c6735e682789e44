# bench_state: a whole-device read over loopback TCP and over the 9600-baud
# pseudo-terminal, against the in-process simulator.
add_executable(bench_state ${CMAKE_CURRENT_LIST_DIR}/bench_state.cpp)
target_link_libraries(bench_state PRIVATE zef_test_support zef_device zefsim_lib benchmark::benchmark Qt6::Core)
set_target_properties(bench_state PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
