# Loading benchmarks: Intel HEX in-process (bytes of text per second). The whole-process
# comparison of kelvan-load with avr-objcopy and srec_cat is bench/load/compare-tools.
add_executable(kelvan_bench_load ${CMAKE_CURRENT_LIST_DIR}/load/HexLoadBench.cpp)
target_link_libraries(kelvan_bench_load PRIVATE kelvan_image benchmark::benchmark_main)
kelvan_warnings(kelvan_bench_load)
