list(APPEND MARLEK_IPMI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/bmc_lock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/checked_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ipmi_config.cpp
  ${CMAKE_CURRENT_LIST_DIR}/node_api.cpp
  ${CMAKE_CURRENT_LIST_DIR}/node_context.cpp
  ${CMAKE_CURRENT_LIST_DIR}/node_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/node_registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/node_transport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/raw_connection.cpp)
