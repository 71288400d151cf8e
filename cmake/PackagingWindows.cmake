# The Windows zip (cpack -G ZIP in the build folder): the programs and a read-me, in a folder of
# the zip's own name, vemtora-<version>-windows-x86.
install(TARGETS vemtora RUNTIME DESTINATION . COMPONENT windows)
# The windowless logger goes in too, once the Windows build makes one.
if(TARGET vemtora-logger)
    install(TARGETS vemtora-logger RUNTIME DESTINATION . COMPONENT windows)
endif()
# Windows users open the read-me in Notepad: CRLF line ends, and a UTF-8 byte order mark (in
# the source) so the Japanese captions show on every Windows.
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/README.txt.in ${PROJECT_BINARY_DIR}/packaging/README.txt
               @ONLY NEWLINE_STYLE CRLF)
install(FILES ${PROJECT_BINARY_DIR}/packaging/README.txt DESTINATION . COMPONENT windows)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(windows_architecture x86)
else()
    set(windows_architecture x64)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME vemtora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME vemtora-${PROJECT_VERSION}-windows-${windows_architecture})
set(CPACK_COMPONENTS_ALL windows)
include(CPack)
