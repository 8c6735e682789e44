# bench_editor: one band drag step on the channel editor's graph, opening an
# editor, and the resident memory of 32 editors on simulated amplifiers.
add_executable(bench_editor ${CMAKE_CURRENT_LIST_DIR}/bench_editor.cpp)
target_link_libraries(bench_editor PRIVATE zef_test_sim zef_ui zefsim_lib benchmark::benchmark Qt6::Widgets)
set_target_properties(bench_editor PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
