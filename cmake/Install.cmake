# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts where (GNUInstallDirs, any prefix, DESTDIR honoured),
# beside the executable that src/app/CMakeLists.txt installs: the shipped documents,
# the desktop entry, the icons, the AppStream metainfo, the man page, the copyright
# and the changelog. Folders it creates are 0755, less what the umask takes away.

include(GNUInstallDirs)

set(OCELLUS_APP_ID example.ocellus.Ocellus)
# The program's data folder once installed; compiled into the program.
set(OCELLUS_INSTALL_DATADIR "${CMAKE_INSTALL_FULL_DATADIR}/ocellus")
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# gzip -9n: the most compression and no name or time stamp, as Debian policy asks of
# man pages and changelogs, so that the same source gives the same bytes.
find_program(OCELLUS_GZIP gzip REQUIRED)
function(ocellus_gzip input output)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${input}")
    execute_process(COMMAND "${OCELLUS_GZIP}" -9n -c "${input}" OUTPUT_FILE "${output}"
        COMMAND_ERROR_IS_FATAL ANY)
endfunction()

set(_data "${PROJECT_SOURCE_DIR}/data")
set(_out "${PROJECT_BINARY_DIR}/data")

install(FILES resources/Help.rtf resources/Localization.txt
    DESTINATION "${CMAKE_INSTALL_DATADIR}/ocellus")
install(FILES "${_data}/${OCELLUS_APP_ID}.desktop"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${_data}/${OCELLUS_APP_ID}.metainfo.xml"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(DIRECTORY "${_data}/icons/hicolor"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/icons")

configure_file("${_data}/ocellus.1.in" "${_out}/ocellus.1" @ONLY)
ocellus_gzip("${_out}/ocellus.1" "${_out}/ocellus.1.gz")
install(FILES "${_out}/ocellus.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")

ocellus_gzip("${_data}/changelog.Debian" "${_out}/changelog.Debian.gz")
install(FILES "${_data}/copyright" "${_out}/changelog.Debian.gz"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/ocellus")
