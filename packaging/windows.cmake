# The portable zip: the two programs, an example Kelvara.ini, README.txt and the licence, with Windows line ends.
install(TARGETS kelvara_win kelvara_cli RUNTIME DESTINATION . ${component})
foreach(text README.txt Kelvara.ini)
    configure_file(windows/${text} ${CMAKE_CURRENT_BINARY_DIR}/${text} @ONLY NEWLINE_STYLE CRLF)
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt ${CMAKE_CURRENT_BINARY_DIR}/Kelvara.ini
              ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt DESTINATION . ${component})

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME "Kelvara-${PROJECT_VERSION}-win64")
