# bench_firmware: a 64 KiB firmware image loaded over the 9600-baud pseudo-terminal into the
# in-process simulator's boot loader, against the image's own wire time.
add_executable(bench_firmware ${CMAKE_CURRENT_LIST_DIR}/bench_firmware.cpp)
target_link_libraries(bench_firmware PRIVATE zef_test_support zef_device zefsim_lib benchmark::benchmark Qt6::Core)
set_target_properties(bench_firmware PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
