# bench_files: project and preset file encode/decode, FIR text parsing and the
# import analysis (transform + phase series).
add_executable(bench_files ${CMAKE_CURRENT_LIST_DIR}/bench_files.cpp)
target_link_libraries(bench_files PRIVATE zef_device benchmark::benchmark)
set_target_properties(bench_files PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench AUTOMOC OFF)
