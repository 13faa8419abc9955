# Map page resources. Included from src/resources/CMakeLists.txt; sets MAP_QRC_FILES.
#
# Leaflet is not kept in the repository: it is copied from the system's libjs-leaflet into the
# build folder. The web channel client script is written at build time by a small helper, since
# it only exists inside libQt5WebChannel. Both are packed with our page and marker through a
# qrc generated in the build folder.
set(LEAFLET_DIR "/usr/share/javascript/leaflet" CACHE PATH "Folder holding leaflet.js and leaflet.css")
if(NOT EXISTS "${LEAFLET_DIR}/leaflet.js" OR NOT EXISTS "${LEAFLET_DIR}/leaflet.css")
    message(FATAL_ERROR "Leaflet not found in ${LEAFLET_DIR}: install libjs-leaflet")
endif()

set(MAP_SRC_DIR ${CMAKE_CURRENT_LIST_DIR}/map)
set(MAP_BIN_DIR ${CMAKE_CURRENT_BINARY_DIR}/html)

# Copied at configure time (configure_file re-runs when the system copy changes).
configure_file(${LEAFLET_DIR}/leaflet.js ${MAP_BIN_DIR}/leaflet/leaflet.js COPYONLY)
configure_file(${LEAFLET_DIR}/leaflet.css ${MAP_BIN_DIR}/leaflet/leaflet.css COPYONLY)
set(leaflet_image_entries "")
file(GLOB leaflet_images RELATIVE ${LEAFLET_DIR}/images ${LEAFLET_DIR}/images/*.png)
foreach(image ${leaflet_images})
    configure_file(${LEAFLET_DIR}/images/${image} ${MAP_BIN_DIR}/leaflet/images/${image} COPYONLY)
    string(APPEND leaflet_image_entries
        "    <file alias=\"map/images/${image}\">${MAP_BIN_DIR}/leaflet/images/${image}</file>\n")
endforeach()

add_executable(zevidud_webchanneljs ${CMAKE_CURRENT_LIST_DIR}/webchanneljs.cpp)
target_link_libraries(zevidud_webchanneljs PRIVATE Qt5::Core Qt5::WebChannel)

set(QWEBCHANNEL_JS ${MAP_BIN_DIR}/js/qwebchannel.js)
add_custom_command(OUTPUT ${QWEBCHANNEL_JS}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MAP_BIN_DIR}/js
    COMMAND zevidud_webchanneljs ${QWEBCHANNEL_JS}
    DEPENDS zevidud_webchanneljs
    COMMENT "Taking qwebchannel.js out of QtWebChannel"
    VERBATIM)
add_custom_target(zevidud_map_scripts DEPENDS ${QWEBCHANNEL_JS})

set(MAP_QRC ${MAP_BIN_DIR}/map.qrc)
file(WRITE ${MAP_QRC}.in
    "<RCC>\n  <qresource prefix=\"/html\">\n"
    "    <file alias=\"map/OpenStreetMap.html\">${MAP_SRC_DIR}/OpenStreetMap.html</file>\n"
    "    <file alias=\"map/car.png\">${MAP_SRC_DIR}/car.png</file>\n"
    "    <file alias=\"map/leaflet.js\">${MAP_BIN_DIR}/leaflet/leaflet.js</file>\n"
    "    <file alias=\"map/leaflet.css\">${MAP_BIN_DIR}/leaflet/leaflet.css</file>\n"
    "${leaflet_image_entries}"
    "    <file alias=\"js/qwebchannel.js\">${QWEBCHANNEL_JS}</file>\n"
    "  </qresource>\n</RCC>\n")
configure_file(${MAP_QRC}.in ${MAP_QRC} COPYONLY)
set_source_files_properties(${MAP_QRC} PROPERTIES OBJECT_DEPENDS "${QWEBCHANNEL_JS}")

set(MAP_QRC_FILES ${MAP_QRC})
