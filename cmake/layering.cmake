# Each library's headers are reachable, as "<folder>/<file>.h", only by the
# library itself and by what links it: every library gets an include root of
# its own in the build tree holding one link to its folder. A library that
# includes a header of one it does not link fails to compile.
#
# ht_library_headers(<target> <folder>)
function(ht_library_headers target folder)
    set(root ${PROJECT_BINARY_DIR}/include/${folder})
    if(NOT EXISTS ${root}/${folder})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    endif()
    target_include_directories(${target} PUBLIC ${root})
endfunction()
