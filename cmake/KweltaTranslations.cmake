# The language modules: Qt translation files compiled from translations/*.ts and put beside the
# program under the names the program looks for (the program's name with the extension ENG or PLK).
#
# kwelta_add_language_modules(<program target>)
#   - builds kwelta.ENG and kwelta.PLK beside <program target> whenever it is built;
#   - adds `translations` (and Qt's `update_translations`), which refreshes the .ts files from every
#     source and form under src/, keeping the translations already made; commit the result.
find_package(Qt6 6.4 REQUIRED COMPONENTS LinguistTools)

function(kwelta_add_language_modules program)
    set(ts_dir "${PROJECT_SOURCE_DIR}/translations")
    # The extension of each module, in the order of the .ts files.
    set(ts_files "${ts_dir}/kwelta_en.ts" "${ts_dir}/kwelta_pl.ts")
    set(extensions ENG PLK)

    # lupdate reads the sources itself; the program's own target holds only main.cpp, so it is told
    # every file of every layer (the libraries' sources, headers and forms).
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS
        "${PROJECT_SOURCE_DIR}/src/*.cpp" "${PROJECT_SOURCE_DIR}/src/*.h" "${PROJECT_SOURCE_DIR}/src/*.ui")
    qt_add_lupdate(${program} TS_FILES ${ts_files} SOURCES ${sources}
        INCLUDE_DIRECTORIES "${PROJECT_SOURCE_DIR}/src"
        # Without line numbers a change elsewhere in a file does not touch the .ts files.
        OPTIONS -locations none -no-obsolete)
    add_custom_target(translations DEPENDS ${program}_lupdate)

    qt_add_lrelease(${program} TS_FILES ${ts_files} QM_FILES_OUTPUT_VARIABLE qm_files
        NO_TARGET_DEPENDENCY OPTIONS -silent)

    set(modules)
    foreach(qm extension IN ZIP_LISTS qm_files extensions)
        set(module "$<TARGET_FILE_DIR:${program}>/$<TARGET_FILE_BASE_NAME:${program}>.${extension}")
        list(APPEND modules "${module}")
        add_custom_command(OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/${program}.${extension}.stamp"
            COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${qm}" "${module}"
            COMMAND "${CMAKE_COMMAND}" -E touch "${CMAKE_CURRENT_BINARY_DIR}/${program}.${extension}.stamp"
            DEPENDS "${qm}"
            VERBATIM)
        list(APPEND stamps "${CMAKE_CURRENT_BINARY_DIR}/${program}.${extension}.stamp")
    endforeach()
    add_custom_target(${program}_language_modules ALL DEPENDS ${stamps})
    add_dependencies(${program} ${program}_language_modules)
endfunction()
