add_executable(bench_measure ${CMAKE_CURRENT_SOURCE_DIR}/bench_measure.cpp
               ${PROJECT_SOURCE_DIR}/tests/measure/fake_card.cpp)
target_include_directories(bench_measure PRIVATE ${PROJECT_SOURCE_DIR}/tests/measure)
target_link_libraries(bench_measure PRIVATE zef_measure zef_audio zefsim_lib zef_test_support benchmark::benchmark Qt6::Core)
set_target_properties(bench_measure PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
set_target_properties(bench_measure PROPERTIES AUTOMOC OFF)
