# The .deb: both programs, the menu entry with its icons, the manual page and the documents Debian asks for.
set(KELVARA_MAINTAINER "The Kelvara developers <kelvara@example.org>" CACHE STRING "The Debian package's maintainer")
set(docDir ${CMAKE_INSTALL_DATADIR}/doc/kelvara)

install(TARGETS kelvara_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} ${component})
if(TARGET kelvara_wx)
    install(TARGETS kelvara_wx RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} ${component})
endif()
install(FILES linux/kelvara.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications ${component})
foreach(size 48 128 256)
    install(FILES linux/kelvara-${size}.png RENAME kelvara.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps ${component})
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${docDir} ${component})

# Debian's copyright format: the licence text indented by one space, blank lines as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(STRIP "${license}" license)
string(REGEX REPLACE "\n\n" "\n.\n" license "${license}")
string(REPLACE "\n" "\n " license "${license}")
set(KELVARA_LICENSE_TEXT " ${license}")
configure_file(linux/copyright.in ${CMAKE_CURRENT_BINARY_DIR}/copyright @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright DESTINATION ${docDir} ${component})

# The manual pages and the changelog are installed compressed, with no time stamp, as Debian wants them.
set(compressed)
foreach(text kelvara.1 kelvara-cli.1 changelog)
    configure_file(linux/${text} ${CMAKE_CURRENT_BINARY_DIR}/${text} @ONLY)
    add_custom_command(OUTPUT ${text}.gz COMMAND gzip -9nf -k ${text} DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${text})
    list(APPEND compressed ${CMAKE_CURRENT_BINARY_DIR}/${text}.gz)
endforeach()
add_custom_target(kelvara_compressed_docs ALL DEPENDS ${compressed})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kelvara.1.gz ${CMAKE_CURRENT_BINARY_DIR}/kelvara-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 ${component})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION ${docDir} ${component})

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_PACKAGE_NAME kelvara)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KELVARA_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# CPack puts the summary first, as the synopsis.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Kelvara builds a folder of MP3 files for car stereos and players that
cannot show Cyrillic. It copies chosen entries of an M3U playlist into an
out folder by number and rewrites every song there with a minimal ID3v2.3
tag whose title and artist are transliterated into Latin capitals; the
audio is left untouched. It comes as a window (kelvara) and a console
program (kelvara-cli).")
