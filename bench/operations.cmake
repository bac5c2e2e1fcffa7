# Writing and verifying a chip image through the whole host stack against the simulated
# programmer, paced as a line and unpaced.
add_executable(kelvan_bench_operations
    ${CMAKE_CURRENT_LIST_DIR}/operations/WriteVerifyBench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serial/SerialBenchSupport.cpp
)
target_link_libraries(kelvan_bench_operations
    PRIVATE kelvan_operations kelvan_commsink kelvan_devsim benchmark::benchmark_main)
kelvan_warnings(kelvan_bench_operations)
