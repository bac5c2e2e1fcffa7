# Grid benchmark: fitting the hex grid to a full-size buffer, and one scroll step at the top,
# the middle and the end, painted on Qt's offscreen platform.
if(TARGET kelvan_bufferview)
    add_executable(kelvan_bench_grid ${CMAKE_CURRENT_LIST_DIR}/grid/HexGridBench.cpp)
    target_link_libraries(kelvan_bench_grid PRIVATE kelvan_bufferview benchmark::benchmark)
    kelvan_warnings(kelvan_bench_grid)
endif()
