# bench_eqfir: a 384-tap FIR file loaded through to the import window's three
# drawn views.
add_executable(bench_eqfir ${CMAKE_CURRENT_LIST_DIR}/bench_eqfir.cpp)
target_link_libraries(bench_eqfir PRIVATE zef_test_sim zef_ui benchmark::benchmark Qt6::Widgets)
set_target_properties(bench_eqfir PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
