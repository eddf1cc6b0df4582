# Installation layout and the Debian package.
#
#   cmake --install build --prefix /some/where   # a plain tree
#   scripts/package                              # build/ht5530k_<version>_<arch>.deb
#
# Included by the top-level CMakeLists.txt after every program, before the
# tests (tests/package asks what the package must hold).

include(GNUInstallDirs)
include(${CMAKE_CURRENT_LIST_DIR}/package_files.cmake)

install(TARGETS ht5530k ht5530k-sim ht5530k-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The libraries are the system's: no $ORIGIN run path in /usr/bin.
set_target_properties(ht5530k ht5530k-sim ht5530k-cli PROPERTIES INSTALL_RPATH "")

install(FILES ${PROJECT_SOURCE_DIR}/packaging/ht5530k.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

foreach(size 16 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/window/app/resources/ht5530k-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ht5530k.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/window/app/resources/ht5530k.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

ht_install_man_page(packaging/ht5530k.1)
ht_install_man_page(packaging/ht5530k-sim.1)
if(TARGET ht5530k-cli)
    ht_install_man_page(packaging/ht5530k-cli.1)
    # The service that polls a bus for good, one instance a bus, and the
    # example of its options (in /usr/lib/systemd/system).
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/ht5530k-poll@.service
            DESTINATION lib/systemd/system)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/bus.conf
            DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
endif()

# AppStream metadata, named after its component id.
set(HT_METAINFO invalid.ht5530k.ht5530k.metainfo.xml)
configure_file(${PROJECT_SOURCE_DIR}/packaging/${HT_METAINFO} ${HT_PACKAGING_OUT}/${HT_METAINFO}
               @ONLY)
install(FILES ${HT_PACKAGING_OUT}/${HT_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

install(FILES ${HT_PACKAGING_OUT}/copyright ${HT_PACKAGING_OUT}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# USB serial adapters for whoever is logged in at the machine (TAG+="uaccess").
# lib/, not the multiarch library folder: udev reads <prefix>/lib/udev/rules.d.
set(HT_UDEV_RULE ${PROJECT_SOURCE_DIR}/packaging/70-ht5530k-uaccess.rules)
install(FILES ${HT_UDEV_RULE} DESTINATION lib/udev/rules.d)

# --- Debian package (cpack -G DEB in the build folder) ---------------------

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ht5530k)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ht5530k maintainers")
# The project has no mailbox of its own. Names under .invalid are reserved
# never to exist (RFC 2606, RFC 6761), so this address reaches nobody and
# claims no one's domain; dpkg needs an address in the field. A maker that
# builds its own package puts its own contact here.
set(HT_PACKAGE_MAINTAINER "ht5530k maintainers <maintainers@ht5530k.invalid>"
    CACHE STRING "Maintainer field of the Debian package: name <address>")
set(CPACK_PACKAGE_CONTACT "${HT_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "bench tool and virtual module for the HT5530K humidity sensor (Modbus RTU)")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Directories 0755 whatever the umask of whoever builds the package.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The summary above is the first line; this is the long description under it,
# a paragraph for each program.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "ht5530k is a desktop bench tool for an HT5530K temperature and humidity
module on a serial line. It reads one or two of the module's registers over
Modbus RTU, once or cyclically, and shows the first register's value with the
raw request and response bytes and counts of the exchanges. It finds and
changes the module's bus address and writes its humidity adjustment register.
.
ht5530k-cli is the same module from the command line, without a window: one
read or a long poll logged as CSV or JSON lines with a summary of the line's
statistics, the address read and change with verification, adjustment
writes, and a scan of baud rates and addresses, with exit codes for scripts
and end-of-line checks.
.
ht5530k-sim is a virtual HT5530K module on a pseudo-terminal, for trying the
tool, or any other Modbus master, without hardware.")

# The Qt libraries (the HTTP server for ht5530k-cli poll --metrics) and the
# fonts the window is drawn with, so that a user's window looks like the
# tested one: DejaVu Sans (its Light face, for the unit labels, is in
# fonts-dejavu-extra), DejaVu Sans Mono, and WenQuanYi Micro Hei for the
# Chinese characters. scripts/install-deps installs the same fonts.
# The C and C++ runtimes come from dpkg-shlibdeps when it is installed
# (dpkg-dev); without it they are listed here.
# procps: the service reloads with kill.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6widgets6, libqt6serialport6, libqt6httpserver6, fonts-dejavu-core, fonts-dejavu-extra, fonts-wqy-microhei, procps")
find_program(HT_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(HT_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
           ", libqt6core6, libqt6gui6, libmosquitto1, libc6, libstdc++6, libgcc-s1")
endif()

include(CPack)
