# `cmake --build build --target format` formats every source file in place.
find_program(CLANG_FORMAT_EXE NAMES clang-format clang-format-14)
if(CLANG_FORMAT_EXE)
    file(GLOB_RECURSE LINEATUM_FORMAT_SOURCES
        ${CMAKE_SOURCE_DIR}/app/*.cpp ${CMAKE_SOURCE_DIR}/app/*.h
        ${CMAKE_SOURCE_DIR}/gedcom/*.cpp ${CMAKE_SOURCE_DIR}/gedcom/*.h
        ${CMAKE_SOURCE_DIR}/person/*.cpp ${CMAKE_SOURCE_DIR}/person/*.h
        ${CMAKE_SOURCE_DIR}/table/*.cpp ${CMAKE_SOURCE_DIR}/table/*.h
        ${CMAKE_SOURCE_DIR}/dbcontrols/*.cpp ${CMAKE_SOURCE_DIR}/dbcontrols/*.h
        ${CMAKE_SOURCE_DIR}/widgets/*.cpp ${CMAKE_SOURCE_DIR}/widgets/*.h
        ${CMAKE_SOURCE_DIR}/tools/*.cpp ${CMAKE_SOURCE_DIR}/bench/*.cpp)
    add_custom_target(format COMMAND ${CLANG_FORMAT_EXE} -i ${LINEATUM_FORMAT_SOURCES}
        COMMENT "Formatting sources")
endif()
