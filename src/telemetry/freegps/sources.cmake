# Novatek freeGPS family. Included at the end of src/telemetry/CMakeLists.txt.
target_sources(telemetry PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/freegps.h
    ${CMAKE_CURRENT_LIST_DIR}/freegps_blocks.h
    ${CMAKE_CURRENT_LIST_DIR}/freegps_blocks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/freegps_samples.h
    ${CMAKE_CURRENT_LIST_DIR}/freegps_samples.cpp
    ${CMAKE_CURRENT_LIST_DIR}/freegps_mp4.cpp
    ${CMAKE_CURRENT_LIST_DIR}/freegps_ts.cpp
)
