# The installed copy and its Debian package: `cmake --build build --target package` (`make package`)
# runs CPack's DEB generator over the install rules below. Installed under the prefix (/usr in the
# package):
#   lib/kwelta/kwelta, kwelta.ENG, kwelta.PLK   the program and its language modules, side by side
#   bin/kwelta                                  a relative link to lib/kwelta/kwelta
#   bin/kwelta-simscale                         the simulated scale
#   share/applications, share/metainfo          the desktop entry and the AppStream metadata
#   share/icons/hicolor                         the icon, drawn at build time by tools/icons
#   share/man/man1                              the manual pages of both programs
#   share/doc/kwelta                            README.md, copyright, changelog.gz
# The package's postinst gives the program CAP_NET_BIND_SERVICE for the UDP listener's port 1001.
# Everything generated is made in <build>/packaging.

set(KWELTA_PACKAGE_MAINTAINER "Kwelta maintainers <maintainers@kwelta.example>"
    CACHE STRING "The Maintainer field of the package and its changelog entry")
# This version's date in the changelog, the manual pages and the metadata's release list.
set(KWELTA_RELEASE_DATE "2026-12-10")
set(KWELTA_RELEASE_DATE_RFC2822 "Thu, 10 Dec 2026 00:00:00 +0000")
# The package always installs under /usr, whatever CMAKE_INSTALL_PREFIX says for `cmake --install`.
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")

set(kwelta_packaging_sources "${PROJECT_SOURCE_DIR}/packaging")
set(kwelta_packaging_build "${CMAKE_BINARY_DIR}/packaging")
file(MAKE_DIRECTORY "${kwelta_packaging_build}")

# The build tree mirrors the installed documentation folder where the program looks for it, so the
# program run from the build tree (and the tests beside it) shows the sources' README.
get_target_property(kwelta_program_build_dir kwelta BINARY_DIR)
cmake_path(ABSOLUTE_PATH KWELTA_DOC_FROM_PROGRAM BASE_DIRECTORY "${kwelta_program_build_dir}" NORMALIZE
    OUTPUT_VARIABLE kwelta_doc_mirror)
file(MAKE_DIRECTORY "${kwelta_doc_mirror}")
file(CREATE_LINK "${PROJECT_SOURCE_DIR}/README.md" "${kwelta_doc_mirror}/README.md" SYMBOLIC)

# The programs: no RUNPATH (qt_standard_project_setup() would give them $ORIGIN), since everything
# they link lies in the system's library folders.
set_target_properties(kwelta kwelta-simscale PROPERTIES INSTALL_RPATH "")
install(TARGETS kwelta RUNTIME DESTINATION "${KWELTA_INSTALL_PROGRAMDIR}")
install(FILES "$<TARGET_FILE:kwelta>.ENG" "$<TARGET_FILE:kwelta>.PLK" DESTINATION "${KWELTA_INSTALL_PROGRAMDIR}")
install(TARGETS kwelta-simscale RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")

# A relative link, so that the package unpacked under another root still leads to its own program;
# install(FILES) copies a link as a link.
cmake_path(ABSOLUTE_PATH KWELTA_INSTALL_PROGRAMDIR BASE_DIRECTORY "/usr" OUTPUT_VARIABLE kwelta_program_dir)
cmake_path(ABSOLUTE_PATH CMAKE_INSTALL_BINDIR BASE_DIRECTORY "/usr" OUTPUT_VARIABLE kwelta_bin_dir)
file(RELATIVE_PATH kwelta_link_target "${kwelta_bin_dir}" "${kwelta_program_dir}/kwelta")
file(MAKE_DIRECTORY "${kwelta_packaging_build}/bin")
file(CREATE_LINK "${kwelta_link_target}" "${kwelta_packaging_build}/bin/kwelta" SYMBOLIC)
install(FILES "${kwelta_packaging_build}/bin/kwelta" DESTINATION "${CMAKE_INSTALL_BINDIR}")

# The desktop entry, the metadata, the documentation.
configure_file("${kwelta_packaging_sources}/${KWELTA_APP_ID}.metainfo.xml.in"
    "${kwelta_packaging_build}/${KWELTA_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${kwelta_packaging_sources}/${KWELTA_APP_ID}.desktop"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${kwelta_packaging_build}/${KWELTA_APP_ID}.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${PROJECT_SOURCE_DIR}/README.md" "${kwelta_packaging_sources}/copyright"
    DESTINATION "${CMAKE_INSTALL_DOCDIR}")

# Manual pages and the changelog, compressed as Debian wants them: gzip -9, without the name and time
# that would make two builds of the same text differ.
set(kwelta_generated_files)
function(kwelta_gzip_configured source name destination)
    set(plain "${kwelta_packaging_build}/${name}")
    configure_file("${source}" "${plain}" @ONLY)
    add_custom_command(OUTPUT "${plain}.gz"
        COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh "${plain}" "${plain}.gz"
        DEPENDS "${plain}"
        VERBATIM)
    install(FILES "${plain}.gz" DESTINATION "${destination}")
    set(kwelta_generated_files ${kwelta_generated_files} "${plain}.gz" PARENT_SCOPE)
endfunction()
kwelta_gzip_configured("${kwelta_packaging_sources}/kwelta.1.in" kwelta.1 "${CMAKE_INSTALL_MANDIR}/man1")
kwelta_gzip_configured("${kwelta_packaging_sources}/kwelta-simscale.1.in" kwelta-simscale.1
    "${CMAKE_INSTALL_MANDIR}/man1")
kwelta_gzip_configured("${kwelta_packaging_sources}/changelog.in" changelog "${CMAKE_INSTALL_DOCDIR}")

# The icon theme's files, every size the tool draws; the stamp stands for the whole folder.
set(kwelta_icons "${kwelta_packaging_build}/icons")
add_custom_command(OUTPUT "${kwelta_packaging_build}/icons.stamp"
    COMMAND "${CMAKE_COMMAND}" -E rm -rf "${kwelta_icons}"
    COMMAND kwelta-icons "${kwelta_icons}" "${KWELTA_APP_ID}"
    COMMAND "${CMAKE_COMMAND}" -E touch "${kwelta_packaging_build}/icons.stamp"
    DEPENDS kwelta-icons
    VERBATIM)
list(APPEND kwelta_generated_files "${kwelta_packaging_build}/icons.stamp")
install(DIRECTORY "${kwelta_icons}/" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor")

# Part of `all`, because installing (and so CPack) builds `all` and nothing else first.
add_custom_target(kwelta_package_files ALL DEPENDS ${kwelta_generated_files})

# The maintainer script, told the program's installed path.
set(KWELTA_INSTALLED_PROGRAM "${kwelta_program_dir}/kwelta")
configure_file("${kwelta_packaging_sources}/postinst.in" "${kwelta_packaging_build}/postinst" @ONLY)

execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE kwelta_architecture
    OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE kwelta_dpkg_result)
if(NOT kwelta_dpkg_result EQUAL 0)
    set(kwelta_architecture "amd64")
endif()

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "kwelta")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${KWELTA_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "weighing scale results typed into the focused window")
# Lines of at most 80 characters; CPack indents them and turns empty ones into " .".
set(CPACK_PACKAGE_DESCRIPTION [=[
Kwelta turns an industrial weighing scale into a keyboard. It runs on the
PC beside the scale, reads what the scale prints over a serial port or
Ethernet (TCP or UDP), recognises each weighing result, keeps running
statistics, formats each result by the user's options or a small script,
and types it into the window that has the keyboard focus (on X11, through
XTest) and/or appends it to a file. English and Polish.

The package also holds kwelta-simscale, a simulated scale on a
pseudo-terminal, a TCP or a UDP port, for trying the program without
hardware.]=])
# The file name the check script looks for (scripts/package-check.sh).
set(CPACK_DEBIAN_FILE_NAME "kwelta_${PROJECT_VERSION}_${kwelta_architecture}.deb")
file(WRITE "${CMAKE_BINARY_DIR}/package-file-name.txt" "${CPACK_DEBIAN_FILE_NAME}\n")
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "${kwelta_architecture}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KWELTA_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The libraries come from dpkg-shlibdeps; Qt's X11 and Wayland platform plugins are loaded at run
# time, so no library names them, yet without the one for the session the window cannot open (Qt
# prefers its Wayland plugin in a Wayland session).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-wayland")
# Qt's own Polish texts (message-box buttons, the file dialog), and setcap for the postinst.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, libcap2-bin")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${kwelta_packaging_build}/postinst")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE "xz")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}")
include(CPack)
