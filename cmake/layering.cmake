# Each library's headers are reachable, as "<folder>/<file>.h", only by the
# library itself and by what links it: every library gets an include root of
# its own in the build tree holding one link to its folder. A library that
# includes a header of one it does not link fails to compile.
#
# The name before the slash is the folder's own name, wherever the folder sits
# in the tree (lib/codec is included as "codec/...").
#
# ht_library_headers(<target>): the headers of the current folder.
function(ht_library_headers target)
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    file(RELATIVE_PATH place ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    string(REPLACE "/" "_" place ${place})
    set(root ${PROJECT_BINARY_DIR}/include/${place})
    if(NOT EXISTS ${root}/${folder})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
    endif()
    target_include_directories(${target} PUBLIC ${root})
endfunction()
