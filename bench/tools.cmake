# kelvan-cli against the simulated programmer: a paced write with verify set against the line's
# bound, and the time from starting the program to its first frame.
if(TARGET kelvan-cli)
    add_executable(kelvan_bench_cli ${CMAKE_CURRENT_LIST_DIR}/tools/CliBench.cpp)
    target_include_directories(kelvan_bench_cli PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    target_link_libraries(kelvan_bench_cli PRIVATE kelvan_devsim benchmark::benchmark_main)
    target_compile_definitions(kelvan_bench_cli PRIVATE KELVAN_CLI_PATH="$<TARGET_FILE:kelvan-cli>")
    add_dependencies(kelvan_bench_cli kelvan-cli)
    kelvan_warnings(kelvan_bench_cli)
endif()
