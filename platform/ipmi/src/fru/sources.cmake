list(APPEND MARLEK_IPMI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/fru_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fru_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fru_device.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fru_inventory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fru_chassis_types.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fru_part.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fru_api.cpp)
