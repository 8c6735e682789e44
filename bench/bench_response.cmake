add_executable(bench_response ${CMAKE_CURRENT_SOURCE_DIR}/bench_response.cpp)
target_link_libraries(bench_response PRIVATE zef_dsp zef::fftw3 benchmark::benchmark)
set_target_properties(bench_response PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
set_target_properties(bench_response PROPERTIES AUTOMOC OFF)
