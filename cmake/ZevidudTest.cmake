# zevidud_add_test(<name> SOURCES <files...> [LIBS <targets...>] [GL] [TIMEOUT <s>])
#
# Builds one Qt Test executable and registers it with CTest. Every test runs through
# tests/support/isolated.sh, which gives it a fresh HOME and XDG folders (settings,
# WebEngine and Mesa caches never touch the user's) and, for GL tests, an Xvfb display.
# GL tests carry the label "gl", the others "nogl".
# Every test parses the same Qt Test and Qt headers, which is most of its compile time: one
# precompiled header per kind of test (by the widest library it links) is built once and shared.
# gcc takes it only where the macros its headers test are defined alike (QT_GUI_LIB,
# QT_NETWORK_LIB, _REENTRANT ...), so the header target links the same library as its tests.
function(zevidud_test_pch kind)
    string(REPLACE "::" "_" target zevidud_test_pch_${kind})
    set(zevidud_test_pch_target ${target} PARENT_SCOPE)
    if(TARGET ${target})
        return()
    endif()
    set(anchor ${CMAKE_BINARY_DIR}/${target}.cpp)
    file(CONFIGURE OUTPUT ${anchor} CONTENT "// precompiled headers of the tests linking ${kind}\n")
    add_library(${target} STATIC ${anchor})
    set_target_properties(${target} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
    target_link_libraries(${target} PRIVATE Qt5::Test Qt5::Core)
    set(headers <QtTest>)
    if(NOT kind STREQUAL "core")
        target_link_libraries(${target} PRIVATE ${kind})
        list(APPEND headers <QtWidgets>)
    endif()
    target_compile_definitions(${target} PRIVATE
        ZEVIDUD_SOURCE_DIR="${CMAKE_SOURCE_DIR}" ZEVIDUD_BINARY_DIR="${CMAKE_BINARY_DIR}")
    target_precompile_headers(${target} PRIVATE ${headers})
endfunction()

function(zevidud_add_test name)
    cmake_parse_arguments(T "GL" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt5::Test ${T_LIBS})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
    target_compile_definitions(${name} PRIVATE
        ZEVIDUD_SOURCE_DIR="${CMAKE_SOURCE_DIR}" ZEVIDUD_BINARY_DIR="${CMAKE_BINARY_DIR}")
    set(pch core)
    foreach(widest app display player library dialogs Qt5::Widgets)
        if(widest IN_LIST T_LIBS)
            set(pch ${widest})
            break()
        endif()
    endforeach()
    zevidud_test_pch(${pch})
    target_precompile_headers(${name} REUSE_FROM ${zevidud_test_pch_target})
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
    # The long player, window and map tests start first, so that no long one is left to run
    # alone at the end (CTest has no timings of its own on a fresh tree).
    if(T_GL)
        set(cost ${T_TIMEOUT})
    else()
        set(cost 1)
    endif()
    set_tests_properties(${name} PROPERTIES LABELS ${mode} TIMEOUT ${T_TIMEOUT} COST ${cost})
endfunction()
