# What users install. Linux: three Debian packages from one build (cpack -G DEB in the build
# folder): the window, the plotter, and the logger, which a machine without a screen takes
# alone, so it brings no Qt. Windows: the zip (cpack -G ZIP).
if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/PackagingWindows.cmake)
    return()
endif()

include(GNUInstallDirs)

set(packaging_dir ${PROJECT_SOURCE_DIR}/packaging/linux)
set(doc_build_dir ${PROJECT_BINARY_DIR}/packaging)

# Debian wants man pages and changelogs compressed, reproducibly (gzip -n: no time stamp). A man
# page's footer gets the project's version, whatever its source says.
set(vemtora_docs)
foreach(page vemtora.1 vemtora-plot.1 vemtora-logger.1)
    add_custom_command(OUTPUT ${doc_build_dir}/${page}.gz
        COMMAND ${CMAKE_COMMAND} -DINPUT=${packaging_dir}/${page} -DOUTPUT=${doc_build_dir}/${page}
                -DVERSION=${PROJECT_VERSION} -P ${CMAKE_CURRENT_LIST_DIR}/man_page_version.cmake
        COMMAND gzip -9nf ${doc_build_dir}/${page}
        DEPENDS ${packaging_dir}/${page} ${CMAKE_CURRENT_LIST_DIR}/man_page_version.cmake)
    list(APPEND vemtora_docs ${doc_build_dir}/${page}.gz)
endforeach()
add_custom_command(OUTPUT ${doc_build_dir}/changelog.gz
    COMMAND gzip -9nc ${packaging_dir}/changelog > ${doc_build_dir}/changelog.gz
    DEPENDS ${packaging_dir}/changelog)
add_custom_target(vemtora_docs ALL DEPENDS ${vemtora_docs} ${doc_build_dir}/changelog.gz)

# package_docs(COMPONENT PACKAGE): the copyright and changelog every package carries.
function(package_docs component package)
    install(FILES ${doc_build_dir}/changelog.gz ${packaging_dir}/copyright
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endfunction()

# package_icons(COMPONENT NAME): the program's picture at every size the menus ask for.
function(package_icons component name)
    foreach(size 16 32 48 64 128 256)
        install(FILES ${packaging_dir}/icons/vemtora-${size}.png COMPONENT ${component}
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${name}.png)
    endforeach()
endfunction()

# vemtora: the window.
install(TARGETS vemtora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT window)
install(FILES ${packaging_dir}/vemtora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT window)
install(FILES ${doc_build_dir}/vemtora.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT window)
package_icons(window vemtora)
package_docs(window vemtora)

# vemtora-plot: the plotter, with an icon of its own name (the same picture), so its menu entry
# needs no other package.
install(TARGETS vemtora-plot RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT plot)
install(FILES ${packaging_dir}/vemtora-plot.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT plot)
install(FILES ${doc_build_dir}/vemtora-plot.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT plot)
package_icons(plot vemtora-plot)
package_docs(plot vemtora-plot)

# vemtora-logger: the unit is installed but not enabled (the instance names the device, chosen
# when it is enabled); the network drop-in and the Grafana dashboard are examples to copy.
install(TARGETS vemtora-logger RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT logger)
install(FILES ${packaging_dir}/vemtora-logger@.service DESTINATION lib/systemd/system COMPONENT logger)
install(FILES ${packaging_dir}/vemtora-logger-network.conf ${packaging_dir}/vemtora-grafana-dashboard.json
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vemtora COMPONENT logger)
install(FILES ${doc_build_dir}/vemtora-logger.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT logger)
package_docs(logger vemtora-logger)
# A conffile, so dpkg keeps an administrator's changes to it. CPack marks none by itself.
set(logrotate_dir /etc/logrotate.d)
install(FILES ${packaging_dir}/vemtora-logger.logrotate DESTINATION ${logrotate_dir} RENAME vemtora-logger
        COMPONENT logger)
file(WRITE ${doc_build_dir}/logger/conffiles "${logrotate_dir}/vemtora-logger\n")

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL window plot logger)
set(CPACK_PACKAGE_NAME vemtora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vemtora developers <team@vemtora.example>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vemtora.example/")
set(CPACK_STRIP_FILES ON)
set(CPACK_SET_DESTDIR OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

# Up to 1.0.0 one package, vemtora, held all three programs: the two split off take their files
# over from it, and refuse to stand beside it.
set(before_split "vemtora (<< 1.1.0~)")

# Each description's first line is its synopsis (no CPACK_PACKAGE_DESCRIPTION_SUMMARY, which
# CPack would put above all three).
set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME vemtora)
set(CPACK_DEBIAN_WINDOW_DESCRIPTION [[data logger for a serial power meter
Vemtora reads the ASCII frames a power meter sends on a serial port, turns
them into volts, amperes and watts, shows their averages over a chosen
interval in a small window and appends one tab-separated line per interval
to a log file.
.
vemtora-plot draws such a log as a graph; vemtora-logger logs without a
window.]])
# The window's menus have Japanese captions.
set(CPACK_DEBIAN_WINDOW_PACKAGE_RECOMMENDS "fonts-ipafont-gothic, vemtora-plot")
set(CPACK_DEBIAN_WINDOW_PACKAGE_SUGGESTS "vemtora-logger")

set(CPACK_DEBIAN_PLOT_PACKAGE_NAME vemtora-plot)
set(CPACK_DEBIAN_PLOT_DESCRIPTION [[graph of a Vemtora power meter log
vemtora-plot draws a log of Vemtora or vemtora-logger as three charts,
volts, amperes and watts, over one time axis, and follows the file while it
grows. It selects a stretch of time with its statistics and energy, saves
a range as a log of its own, and exports PNG or SVG pictures and a summary
without a display.]])
set(CPACK_DEBIAN_PLOT_PACKAGE_REPLACES "${before_split}")
set(CPACK_DEBIAN_PLOT_PACKAGE_BREAKS "${before_split}")

set(CPACK_DEBIAN_LOGGER_PACKAGE_NAME vemtora-logger)
set(CPACK_DEBIAN_LOGGER_DESCRIPTION [[serial power meter logger without a window
vemtora-logger reads the ASCII frames a power meter sends on a serial port
and writes one line of volts, amperes and watts per interval to standard
output and a log file, for unattended logging on a machine without a
screen. It reconnects to a device that comes and goes, publishes readings
to an MQTT broker and serves them to Prometheus.
.
The package brings a systemd unit template (not enabled), a logrotate file,
a network drop-in to copy and a Grafana dashboard. It needs no Qt and no X.]])
set(CPACK_DEBIAN_LOGGER_PACKAGE_REPLACES "${before_split}")
set(CPACK_DEBIAN_LOGGER_PACKAGE_BREAKS "${before_split}")
set(CPACK_DEBIAN_LOGGER_PACKAGE_CONTROL_EXTRA ${doc_build_dir}/logger/conffiles)
include(CPack)
