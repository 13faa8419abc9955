# Novatek freeGPS family. Included at the end of src/telemetry/CMakeLists.txt.
target_sources(telemetry PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/freegps.h
    ${CMAKE_CURRENT_LIST_DIR}/freegps_pending.cpp
)
