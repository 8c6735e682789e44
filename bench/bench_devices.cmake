# bench_devices: a network search over 256 loopback addresses with five
# simulated amplifiers, and reading one device into a project file as
# `zefctl dump` does.
add_executable(bench_devices ${CMAKE_CURRENT_LIST_DIR}/bench_devices.cpp)
target_link_libraries(bench_devices PRIVATE zef_test_sim zefctl_lib zefsim_lib benchmark::benchmark Qt6::Core)
set_target_properties(bench_devices PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
