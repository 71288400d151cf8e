# Installation and the Debian package of the Linux programs: cpack -G DEB in the build folder.
include(GNUInstallDirs)

set(packaging_dir ${PROJECT_SOURCE_DIR}/packaging/linux)

install(TARGETS vemtora vemtora-plot vemtora-logger RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${packaging_dir}/vemtora.desktop ${packaging_dir}/vemtora-plot.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32 48 64 128 256)
    install(FILES ${packaging_dir}/icons/vemtora-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME vemtora.png)
endforeach()

# Installed but not enabled: the instance names the device, chosen when it is enabled.
install(FILES ${packaging_dir}/vemtora-logger@.service DESTINATION lib/systemd/system)
# Examples to copy, not configuration: the service's network drop-in and the Grafana dashboard.
install(FILES ${packaging_dir}/vemtora-logger-network.conf ${packaging_dir}/vemtora-grafana-dashboard.json
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vemtora)
# A conffile: dpkg keeps an administrator's changes to it. CPack marks none by itself.
set(logrotate_dir /etc/logrotate.d)
install(FILES ${packaging_dir}/vemtora-logger.logrotate DESTINATION ${logrotate_dir} RENAME vemtora-logger)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/conffiles "${logrotate_dir}/vemtora-logger\n")

# Debian wants the man pages and the changelog compressed, reproducibly (-n: no time stamp).
foreach(doc vemtora.1 vemtora-plot.1 vemtora-logger.1 changelog)
    add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${doc}.gz
        COMMAND gzip -9nc ${packaging_dir}/${doc} > ${CMAKE_CURRENT_BINARY_DIR}/${doc}.gz
        DEPENDS ${packaging_dir}/${doc})
endforeach()
add_custom_target(vemtora_docs ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/vemtora.1.gz ${CMAKE_CURRENT_BINARY_DIR}/vemtora-plot.1.gz
                  ${CMAKE_CURRENT_BINARY_DIR}/vemtora-logger.1.gz ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vemtora.1.gz ${CMAKE_CURRENT_BINARY_DIR}/vemtora-plot.1.gz
              ${CMAKE_CURRENT_BINARY_DIR}/vemtora-logger.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz ${packaging_dir}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vemtora)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vemtora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vemtora developers <team@vemtora.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "data logger for a serial power meter")
set(CPACK_PACKAGE_DESCRIPTION
    "Vemtora reads the ASCII frames a power meter sends on a serial port, turns\n"
    "them into volts, amperes and watts, shows their averages over a chosen\n"
    "interval in a small window and appends one tab-separated line per interval\n"
    "to a log file. vemtora-plot draws such a log as a graph and follows it\n"
    "while it grows.\n"
    ".\n"
    "vemtora-logger does the same without a window, for unattended logging on a\n"
    "machine without a screen: it writes the lines to standard output and the log\n"
    "file, reconnects to a device that comes and goes, and ships with a systemd\n"
    "unit template.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vemtora.example/")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_INSTALL_DIRECTORY vemtora)
set(CPACK_SET_DESTDIR OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
