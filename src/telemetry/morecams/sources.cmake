# Further camera layouts: udta text records, RIFF and record trailers, TomTom and 360Fly atoms.
# Included at the end of src/telemetry/CMakeLists.txt.
target_sources(telemetry PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/morecams.h
    ${CMAKE_CURRENT_LIST_DIR}/morecommon.cpp
    ${CMAKE_CURRENT_LIST_DIR}/morecommon.h
    ${CMAKE_CURRENT_LIST_DIR}/kenwoodudta.cpp
    ${CMAKE_CURRENT_LIST_DIR}/autovoxtrailer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tomtomttad.cpp
    ${CMAKE_CURRENT_LIST_DIR}/insta360trailer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fly360uuid.cpp
    ${CMAKE_CURRENT_LIST_DIR}/djitext.cpp
    ${CMAKE_CURRENT_LIST_DIR}/parrotmett.cpp
)
