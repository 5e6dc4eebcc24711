# rivan_include_root(target): the target's own headers, and only those, become reachable as
# "<folder>/<name>.h" (the folder under src/, "link/sim/simulatedunit.h") through an include
# folder of the target's own in the build tree. A file that includes a header of a target it
# does not link then fails to build, so the layering is checked by the compiler.
function(rivan_include_root target)
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
    set(root ${CMAKE_BINARY_DIR}/include/${target})
    file(REMOVE_RECURSE ${root})
    file(MAKE_DIRECTORY ${root}/${folder})
    get_target_property(sources ${target} SOURCES)
    foreach(source IN LISTS sources)
        if(source MATCHES "\\.h$")
            file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${source} ${root}/${folder}/${source}
                SYMBOLIC COPY_ON_ERROR)
        endif()
    endforeach()
    target_include_directories(${target} PUBLIC ${root})
endfunction()
