list(APPEND MARLEK_IPMI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/sensor_conversion.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sensor_reading.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sensor_states.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ipmi_sensor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sensor_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sensor_api.cpp)
