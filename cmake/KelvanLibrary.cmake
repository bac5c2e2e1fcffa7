# Each folder of src/ is one library, and its headers are reached as "folder/Name.h" through an
# include root that holds that folder alone: a link in the build tree, so that a library sees
# only the headers of the libraries it links, and an include that runs upward fails to compile.
function(kelvan_include_root target)
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    set(root ${CMAKE_BINARY_DIR}/include/${folder})
    if(NOT EXISTS ${root}/${folder})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()
