# Files that the package carries beside the programs, made from the sources
# at configure time:
#   - the release date, from the newest entry of packaging/changelog, which
#     must be for this version (project(VERSION) in CMakeLists.txt);
#   - manual pages with the version and that date, compressed with gzip -9n
#     as Debian wants them (ht_install_man_page);
#   - the changelog, compressed the same way, and the machine-readable
#     (DEP-5) copyright file with the licence text of LICENSE.

set(HT_PACKAGING_OUT ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${HT_PACKAGING_OUT})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/packaging/changelog ${PROJECT_SOURCE_DIR}/LICENSE)

# --- The newest changelog entry: version and date ---------------------------

file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog changelog_heads REGEX "^ht5530k \\(")
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog changelog_trailers REGEX "^ -- ")
list(GET changelog_heads 0 newest_head)
list(GET changelog_trailers 0 newest_trailer)
string(REGEX MATCH "^ht5530k \\(([^)]+)\\)" _ "${newest_head}")
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "packaging/changelog: the newest entry is for version ${CMAKE_MATCH_1}, "
            "but CMakeLists.txt sets ${PROJECT_VERSION}. Add an entry for ${PROJECT_VERSION} "
            "at the top (dch -v ${PROJECT_VERSION}, or by hand in the same form).")
endif()
if(NOT newest_trailer MATCHES ", ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    message(FATAL_ERROR "packaging/changelog: no date such as 'Tue, 08 Dec 2026 12:00:00 +0000' "
            "in the line '${newest_trailer}'")
endif()
set(day ${CMAKE_MATCH_1})
set(year ${CMAKE_MATCH_3})
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months ${CMAKE_MATCH_2} month)
if(month LESS 0)
    message(FATAL_ERROR "packaging/changelog: unknown month in '${newest_trailer}'")
endif()
math(EXPR month "${month} + 1" OUTPUT_FORMAT DECIMAL)
if(month LESS 10)
    set(month 0${month})
endif()
set(HT_RELEASE_DATE ${year}-${month}-${day})

# --- Compressed copies --------------------------------------------------------

# Makes <file>.gz beside <file> at build time (gzip -9n: no name, no time
# stamp, so the same input always gives the same bytes).
function(ht_gzip file)
    get_filename_component(name ${file} NAME)
    add_custom_command(OUTPUT ${file}.gz
                       COMMAND gzip -9nkf ${file}
                       DEPENDS ${file}
                       COMMENT "Compressing ${name}"
                       VERBATIM)
    add_custom_target(gzip_${name} ALL DEPENDS ${file}.gz)
endfunction()

# ht_install_man_page(packaging/<page>.<section>): configures the page
# (@PROJECT_VERSION@, @HT_RELEASE_DATE@), compresses it and installs it.
function(ht_install_man_page source)
    get_filename_component(name ${source} NAME)
    string(REGEX MATCH "[0-9]$" section ${name})
    configure_file(${PROJECT_SOURCE_DIR}/${source} ${HT_PACKAGING_OUT}/${name} @ONLY)
    ht_gzip(${HT_PACKAGING_OUT}/${name})
    install(FILES ${HT_PACKAGING_OUT}/${name}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()

# --- Changelog and copyright ----------------------------------------------------

configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog ${HT_PACKAGING_OUT}/changelog COPYONLY)
ht_gzip(${HT_PACKAGING_OUT}/changelog)

# LICENSE: a title, the copyright line, then the terms. The copyright file
# takes the holder from the second and the terms, indented, from the third.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
if(NOT license MATCHES "\nCopyright \\(c\\) ([^\n]+)\n\n(.*[^\n])\n*$")
    message(FATAL_ERROR "LICENSE: no line 'Copyright (c) <year> <holder>' followed by the terms")
endif()
set(HT_COPYRIGHT_HOLDER "${CMAKE_MATCH_1}")
string(REGEX REPLACE "\n\n" "\n.\n" terms "${CMAKE_MATCH_2}")
string(REGEX REPLACE "\n" "\n " HT_LICENSE_TERMS " ${terms}")
file(CONFIGURE OUTPUT ${HT_PACKAGING_OUT}/copyright @ONLY CONTENT
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: ht5530k
Comment: The MIT licence (called Expat in Debian), the file LICENSE of the
 source tree.

Files: *
Copyright: @HT_COPYRIGHT_HOLDER@
License: Expat

License: Expat
@HT_LICENSE_TERMS@
")
