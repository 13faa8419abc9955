# zevidud_add_test(<name> SOURCES <files...> [LIBS <targets...>] [GL] [TIMEOUT <s>])
#
# Builds one Qt Test executable and registers it with CTest. Every test runs through
# tests/support/isolated.sh, which gives it a fresh HOME and XDG folders (settings,
# WebEngine and Mesa caches never touch the user's) and, for GL tests, an Xvfb display.
# GL tests carry the label "gl", the others "nogl".
function(zevidud_add_test name)
    cmake_parse_arguments(T "GL" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt5::Test ${T_LIBS})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
    target_compile_definitions(${name} PRIVATE
        ZEVIDUD_SOURCE_DIR="${CMAKE_SOURCE_DIR}" ZEVIDUD_BINARY_DIR="${CMAKE_BINARY_DIR}")
    if(T_GL)
        set(mode gl)
    else()
        set(mode nogl)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_test(NAME ${name}
             COMMAND ${CMAKE_SOURCE_DIR}/tests/support/isolated.sh ${mode} $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES LABELS ${mode} TIMEOUT ${T_TIMEOUT})
endfunction()
