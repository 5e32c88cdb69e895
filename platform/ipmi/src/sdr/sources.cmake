list(APPEND MARLEK_IPMI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/id_string.cpp
  ${CMAKE_CURRENT_LIST_DIR}/device_locator_records.cpp)
