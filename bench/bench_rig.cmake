# bench_rig: the virtual rig's rendering speed and a fast 10-second recording through it.
add_executable(bench_rig ${CMAKE_CURRENT_LIST_DIR}/bench_rig.cpp)
target_include_directories(bench_rig PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(bench_rig PRIVATE zefsim_lib zef_audio benchmark::benchmark Qt6::Core)
set_target_properties(bench_rig PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench AUTOMOC OFF)
