list(APPEND MARLEK_IPMI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/command_names.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sensor_type_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unit_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/event_offset_table.cpp)
