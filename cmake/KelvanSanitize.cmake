# KELVAN_SANITIZE=address,undefined (or thread, ...) builds every target with those sanitizers,
# so that the whole suite runs under them (scripts/sanitize). Reports stop the test that caused
# them: recovering would let a failing run pass.
set(KELVAN_SANITIZE "" CACHE STRING "Sanitizers for every target, e.g. address,undefined or thread")

if(KELVAN_SANITIZE)
    if(MSVC)
        message(FATAL_ERROR "KELVAN_SANITIZE is for gcc and clang")
    endif()
    if(KELVAN_FUZZ)
        message(FATAL_ERROR "KELVAN_FUZZ sets its own sanitizers; configure it apart")
    endif()
    add_compile_options(-fsanitize=${KELVAN_SANITIZE} -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=${KELVAN_SANITIZE})
endif()
