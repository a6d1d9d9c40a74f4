# lineatum_add_test(NAME SOURCES... LIBS...)
#   One GoogleTest binary per library. Every test binary knows where the public GEDCOM
#   samples (LINEATUM_SAMPLES_DIR) and character-set tables (LINEATUM_CHARSETS_DIR) are and where the built binaries are (LINEATUM_BIN_DIR).
function(lineatum_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest Threads::Threads)
    target_compile_definitions(${name} PRIVATE
        LINEATUM_SAMPLES_DIR="${LINEATUM_SAMPLES_DIR}"
        LINEATUM_CHARSETS_DIR="${LINEATUM_CHARSETS_DIR}"
        LINEATUM_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()
