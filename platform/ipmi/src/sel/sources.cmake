list(APPEND MARLEK_IPMI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/sel_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sel_entry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sel_severity.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sel_event_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sel_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sel_threshold.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sel_data.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sel_properties.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sel_api.cpp)
