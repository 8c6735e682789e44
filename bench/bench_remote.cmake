# bench_remote: the remote-control service against simulated amplifiers —
# a set through the API seen by a WebSocket client, a flood of malformed
# requests, and zefd (the real program) under 100 stream clients with meters.
add_executable(bench_remote ${CMAKE_CURRENT_LIST_DIR}/bench_remote.cpp)
target_link_libraries(bench_remote PRIVATE zef_remote zef_test_sim zef_test_remote Qt6::Core)
target_compile_definitions(bench_remote PRIVATE ZEFD_PATH="$<TARGET_FILE:zefd>")
add_dependencies(bench_remote zefd)
set_target_properties(bench_remote PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
