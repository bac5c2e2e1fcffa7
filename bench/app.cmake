# The window against the simulator unplugged and plugged in again: unplug to caption, replug to
# chip list, and the CPU time of the retry loop while the port is missing. It plants its port
# setting in a private settings folder, through the tests' settings helpers.
if(TARGET kelvan_app AND TARGET kelvan_settings_testing)
    add_executable(kelvan_bench_app ${CMAKE_CURRENT_LIST_DIR}/app/ReconnectBench.cpp)
    target_link_libraries(kelvan_bench_app
        PRIVATE kelvan_app kelvan_devsim kelvan_settings_testing benchmark::benchmark)
    kelvan_warnings(kelvan_bench_app)
endif()
