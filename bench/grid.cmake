# Grid benchmark: fitting the hex grid to a full-size buffer, one scroll step at the top, the
# middle and the end, and go-to and find across it, painted on Qt's offscreen platform.
if(TARGET kelvan_bufferview)
    add_executable(kelvan_bench_grid ${CMAKE_CURRENT_LIST_DIR}/grid/HexGridBench.cpp
                                     ${CMAKE_CURRENT_LIST_DIR}/grid/HexSearchBench.cpp)
    target_link_libraries(kelvan_bench_grid PRIVATE kelvan_bufferview benchmark::benchmark)
    kelvan_warnings(kelvan_bench_grid)
endif()
