list(APPEND MARLEK_IPMI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/cmpi_status.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dev_guard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/diagnostics.cpp)
