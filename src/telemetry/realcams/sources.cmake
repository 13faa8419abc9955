# Metadata tracks, top-level atoms, trailers and sidecars. Included at the end of
# src/telemetry/CMakeLists.txt.
target_sources(telemetry PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/realcams.h
    ${CMAKE_CURRENT_LIST_DIR}/realcommon.cpp
    ${CMAKE_CURRENT_LIST_DIR}/realcommon.h
    ${CMAKE_CURRENT_LIST_DIR}/gpmf.cpp
    ${CMAKE_CURRENT_LIST_DIR}/metatracks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/binarytracks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/topatoms.cpp
    ${CMAKE_CURRENT_LIST_DIR}/hashtrailer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ligogps.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ligogps.h
    ${CMAKE_CURRENT_LIST_DIR}/nmealog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/nmealog.h
    ${CMAKE_CURRENT_LIST_DIR}/sidecars.cpp
)
