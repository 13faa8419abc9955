# Map page resources: filled in with the map page (sets MAP_QRC_FILES).
set(MAP_QRC_FILES "")
