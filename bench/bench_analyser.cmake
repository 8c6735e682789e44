add_executable(bench_analyser ${CMAKE_CURRENT_SOURCE_DIR}/bench_analyser.cpp
               ${PROJECT_SOURCE_DIR}/tests/measure/fake_card.cpp)
target_include_directories(bench_analyser PRIVATE ${PROJECT_SOURCE_DIR}/tests/measure)
target_link_libraries(bench_analyser PRIVATE zef_measure)
set_target_properties(bench_analyser PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
set_target_properties(bench_analyser PROPERTIES AUTOMOC OFF)
