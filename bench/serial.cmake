# Serial benchmarks: sustained transfer through TComm32, and the host's turnaround through
# TComm32 and the link once the link's facade is part of its library.
add_executable(kelvan_bench_serial
    ${CMAKE_CURRENT_LIST_DIR}/serial/SerialBenchSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serial/SerialTransferBench.cpp
)
target_link_libraries(kelvan_bench_serial PRIVATE kelvan_serial benchmark::benchmark_main util)
get_target_property(kelvan_bench_link_sources kelvan_link SOURCES)
if("ProgrammerLink.cpp" IN_LIST kelvan_bench_link_sources)
    target_sources(kelvan_bench_serial
        PRIVATE ${CMAKE_CURRENT_LIST_DIR}/serial/SerialTurnaroundBench.cpp)
    target_link_libraries(kelvan_bench_serial PRIVATE kelvan_link)
endif()
kelvan_warnings(kelvan_bench_serial)
