# Installing RIVAN control as a desktop program (binaries, desktop entry, icons, AppStream
# metadata, manual pages, copyright and changelog) and packing it as a Debian package.
#
# The rules run at the end of the top-level directory, once every target exists, so that a
# program added later in the tree (rivanctl) is picked up wherever its add_subdirectory()
# stands.
include(GNUInstallDirs)

option(RIVAN_PACKAGE "Fail when the tools for manual pages and icons are missing" OFF)

set(RIVAN_APP_ID com.qelvar.Rivan)
# The window's icon is the application's icon.
set(RIVAN_APP_ICON ${PROJECT_SOURCE_DIR}/resources/icons/12-monitor.svg)
set(RIVAN_ICON_SIZES 16 32 48 64 128 256)

# The programs the package holds, with the one-line description of each manual page.
set(RIVAN_PROGRAMS rivan rivan-sim rivanctl)
set(RIVAN_MANUAL_NAME_rivan "service tool for the RIVAN six-channel signal monitor")
set(RIVAN_MANUAL_NAME_rivan-sim "a simulated RIVAN unit on a pseudo-terminal")
set(RIVAN_MANUAL_NAME_rivanctl "RIVAN control from the command line")

# rivan-sim's --version sets the simulated unit's version, so its manual page takes the
# program's version from the identity texts instead.
file(STRINGS ${PROJECT_SOURCE_DIR}/src/profile/programidentity.h rivan_version_line
    REGEX "ProgramVersion = ")
string(REGEX REPLACE ".*ProgramVersion = \"([^\"]*)\".*" "\\1" RIVAN_PROGRAM_VERSION
    "${rivan_version_line}")
set(RIVAN_MANUAL_VERSION_rivan-sim "rivan-sim ${RIVAN_PROGRAM_VERSION}")

function(rivan_find_tool variable program)
    find_program(${variable} ${program})
    if(NOT ${variable})
        if(RIVAN_PACKAGE)
            message(FATAL_ERROR "${program} is needed to build the package (scripts/setup)")
        endif()
        message(STATUS "${program} not found: ${ARGN} left out")
    endif()
endfunction()

function(rivan_install_rules)
    set(out ${PROJECT_BINARY_DIR}/desktop)
    set(generated)

    # Programs: those that exist in this tree.
    set(programs)
    foreach(program IN LISTS RIVAN_PROGRAMS)
        if(TARGET ${program})
            list(APPEND programs ${program})
        endif()
    endforeach()
    install(TARGETS ${programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

    # Manual pages, from each program's --help and --version. They need to run the programs,
    # so a cross or sanitizer build goes without them.
    if(NOT CMAKE_CROSSCOMPILING AND NOT WIN32 AND NOT RIVAN_SANITIZE)
        rivan_find_tool(RIVAN_HELP2MAN help2man "manual pages")
        rivan_find_tool(RIVAN_GZIP gzip "manual pages")
    endif()
    if(RIVAN_HELP2MAN AND RIVAN_GZIP)
        foreach(program IN LISTS programs)
            set(page ${out}/man/${program}.1)
            # The NAME section names the command, whatever the version text calls it.
            set(include ${out}/man/${program}.h2m)
            file(WRITE ${include} "[NAME]\n${program} \\- ${RIVAN_MANUAL_NAME_${program}}\n")
            set(version_option)
            if(DEFINED RIVAN_MANUAL_VERSION_${program})
                set(version_option "--version-string=${RIVAN_MANUAL_VERSION_${program}}")
            endif()
            add_custom_command(OUTPUT ${page}.gz
                COMMAND ${CMAKE_COMMAND} -E make_directory ${out}/man
                COMMAND ${RIVAN_HELP2MAN} --no-info --no-discard-stderr --section=1
                    --include=${include} ${version_option}
                    --output=${page} $<TARGET_FILE:${program}>
                COMMAND ${RIVAN_GZIP} -9nf ${page}
                DEPENDS ${program} ${include}
                COMMENT "Writing the manual page of ${program}"
                VERBATIM)
            list(APPEND generated ${page}.gz)
            install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
        endforeach()
    endif()

    # Icons: the scalable original and PNGs drawn from it at the usual sizes.
    install(FILES ${RIVAN_APP_ICON}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${RIVAN_APP_ID}.svg)
    if(NOT WIN32)
        rivan_find_tool(RIVAN_RSVG_CONVERT rsvg-convert "PNG icons")
    endif()
    if(RIVAN_RSVG_CONVERT)
        foreach(size IN LISTS RIVAN_ICON_SIZES)
            set(png ${out}/icons/${size}x${size}/${RIVAN_APP_ID}.png)
            add_custom_command(OUTPUT ${png}
                COMMAND ${CMAKE_COMMAND} -E make_directory ${out}/icons/${size}x${size}
                COMMAND ${RIVAN_RSVG_CONVERT} --width=${size} --height=${size}
                    --output=${png} ${RIVAN_APP_ICON}
                DEPENDS ${RIVAN_APP_ICON}
                VERBATIM)
            list(APPEND generated ${png})
            install(FILES ${png}
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
        endforeach()
    endif()

    # Desktop entry and AppStream metadata, which lists the programs it provides.
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/${RIVAN_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    set(RIVAN_METAINFO_BINARIES)
    foreach(program IN LISTS programs)
        string(APPEND RIVAN_METAINFO_BINARIES "    <binary>${program}</binary>\n")
    endforeach()
    string(STRIP "${RIVAN_METAINFO_BINARIES}" RIVAN_METAINFO_BINARIES)
    set(RIVAN_METAINFO_BINARIES "    ${RIVAN_METAINFO_BINARIES}")
    configure_file(${PROJECT_SOURCE_DIR}/packaging/${RIVAN_APP_ID}.metainfo.xml.in
        ${out}/${RIVAN_APP_ID}.metainfo.xml @ONLY)
    install(FILES ${out}/${RIVAN_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

    # Copyright and changelog, where Debian keeps them.
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
    if(RIVAN_GZIP)
        add_custom_command(OUTPUT ${out}/changelog.gz
            COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
            COMMAND ${RIVAN_GZIP} -9n --stdout ${PROJECT_SOURCE_DIR}/packaging/changelog
                > ${out}/changelog.gz
            DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
            VERBATIM)
        list(APPEND generated ${out}/changelog.gz)
        install(FILES ${out}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
    endif()

    add_custom_target(rivan_desktop_files ALL DEPENDS ${generated})

    # The Debian package: cpack -G DEB, or scripts/package.
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_NAME rivan)
    set(CPACK_PACKAGE_VENDOR "Qelvar Instruments")
    set(CPACK_PACKAGE_CONTACT "Qelvar Instruments <support@qelvar.com>")
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "service tool for the RIVAN six-channel signal monitor")
    set(CPACK_PACKAGE_DESCRIPTION
        "RIVAN control finds a RIVAN signal monitor on a serial port, reads its\n"
        "thresholds, detection points and display messages into a profile, edits\n"
        "them, keeps them as PRO files and sends them back. It shows live readings\n"
        "and talks to the unit by hand in a terminal. rivan-sim serves a simulated\n"
        "unit for trying it without hardware.\n"
        "\n"
        "Serial ports belong to the group dialout: a user must be a member of it to\n"
        "open them (sudo adduser $USER dialout, then log in again).")
    string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
    set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.qelvar.com/rivan")
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    set(CPACK_STRIP_FILES ON)
    set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
        OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
    include(CPack)
endfunction()

cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL rivan_install_rules)
