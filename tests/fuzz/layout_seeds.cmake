# The seeds of every row of the layout table (layout_seeds.cpp) and the fixture writers they come
# from. The test build has the writers from their own folders; the fuzz build alone adds them
# here, built only when a target links them.
function(zevidud_folder_fixtures lib folder)
    if(NOT TARGET ${lib})
        set(dir ${CMAKE_SOURCE_DIR}/tests/telemetry/${folder})
        list(TRANSFORM ARGN PREPEND ${dir}/)
        add_library(${lib} STATIC EXCLUDE_FROM_ALL ${ARGN})
        target_include_directories(${lib} PUBLIC ${dir})
        target_link_libraries(${lib} PUBLIC mp4_fixtures telemetry Qt5::Core)
    endif()
endfunction()
zevidud_folder_fixtures(freegps_fixtures freegps freegps_fixtures.cpp)
zevidud_folder_fixtures(realcam_fixtures realcams realcam_fixtures.cpp realcam_checks.cpp)
zevidud_folder_fixtures(morecam_fixtures morecams morecam_fixtures.cpp)
# The further cameras' fixtures are written with the real-camera fixtures' routes and tracks.
target_link_libraries(morecam_fixtures PUBLIC realcam_fixtures)

if(NOT TARGET layout_seeds)
    add_library(layout_seeds STATIC EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/layout_seeds.cpp
                ${CMAKE_CURRENT_LIST_DIR}/layout_seeds.h)
    target_include_directories(layout_seeds PUBLIC ${CMAKE_CURRENT_LIST_DIR})
    target_link_libraries(layout_seeds PUBLIC telemetry telemetry_fixtures mp4_fixtures
                          freegps_fixtures realcam_fixtures morecam_fixtures)
endif()
