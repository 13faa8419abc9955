# MP4 reading layer, the MP4 track reader, device detection and telemetry loading.
# Included at the end of src/telemetry/CMakeLists.txt.
target_sources(telemetry PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/boxwalkreaders.h
    ${CMAKE_CURRENT_LIST_DIR}/mp4atomtree.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mp4atomtree.h
    ${CMAKE_CURRENT_LIST_DIR}/mp4file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mp4file.h
    ${CMAKE_CURRENT_LIST_DIR}/mp4sampletable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mp4sampletable.h
    ${CMAKE_CURRENT_LIST_DIR}/mp4v2.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mp4v2.h
    ${CMAKE_CURRENT_LIST_DIR}/mp4v2parsefile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/mp4v2parsefile.h
    ${CMAKE_CURRENT_LIST_DIR}/../devicedetect.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../devicedetect.h
    ${CMAKE_CURRENT_LIST_DIR}/../telemetryloader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../telemetryloader.h
)
# "mp4v2parsefile.h" and "mp4/mp4v2parsefile.h" both resolve.
target_include_directories(telemetry PUBLIC ${CMAKE_CURRENT_LIST_DIR})
