# Serial benchmarks: sustained transfer through TComm32, and the host's turnaround through
# TComm32 and the link.
add_executable(kelvan_bench_serial
    ${CMAKE_CURRENT_LIST_DIR}/serial/SerialBenchSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serial/SerialTransferBench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serial/SerialTurnaroundBench.cpp
)
target_link_libraries(kelvan_bench_serial
    PRIVATE kelvan_commsink kelvan_pty benchmark::benchmark_main)
kelvan_warnings(kelvan_bench_serial)
