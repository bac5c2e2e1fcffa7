# Our own targets build with warnings on. scripts/test and CI turn them into errors; a
# packager's build leaves that off, so that a newer compiler's new warning (or one inside a
# library's headers at another optimisation level) does not fail it.
option(KELVAN_WERROR "Treat warnings in the project's own targets as errors" OFF)

function(kelvan_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${KELVAN_WERROR}>:/WX>)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                                 $<$<BOOL:${KELVAN_WERROR}>:-Werror>)
    endif()
endfunction()
