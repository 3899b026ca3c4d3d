# `format` rewrites the sources with clang-format; `format-check` fails when any file would change.
find_program(CLANG_FORMAT_EXECUTABLE NAMES clang-format clang-format-14)

if(CLANG_FORMAT_EXECUTABLE)
    file(GLOB_RECURSE KWELTA_FORMAT_SOURCES CONFIGURE_DEPENDS
        ${CMAKE_SOURCE_DIR}/src/*.cpp ${CMAKE_SOURCE_DIR}/src/*.h
        ${CMAKE_SOURCE_DIR}/tests/*.cpp ${CMAKE_SOURCE_DIR}/tests/*.h
        ${CMAKE_SOURCE_DIR}/bench/*.cpp ${CMAKE_SOURCE_DIR}/bench/*.h
        ${CMAKE_SOURCE_DIR}/tools/*.cpp ${CMAKE_SOURCE_DIR}/tools/*.h)
    add_custom_target(format
        COMMAND ${CLANG_FORMAT_EXECUTABLE} -i ${KWELTA_FORMAT_SOURCES}
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        COMMENT "Formatting the sources")
    add_custom_target(format-check
        COMMAND ${CLANG_FORMAT_EXECUTABLE} --dry-run --Werror ${KWELTA_FORMAT_SOURCES}
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        COMMENT "Checking the sources' format")
endif()
