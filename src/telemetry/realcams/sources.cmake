# Metadata tracks, top-level atoms, trailers and sidecars. Included at the end of
# src/telemetry/CMakeLists.txt.
target_sources(telemetry PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/realcams.h
    ${CMAKE_CURRENT_LIST_DIR}/realcams_pending.cpp
)
