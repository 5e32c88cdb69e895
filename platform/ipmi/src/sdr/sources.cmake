list(APPEND MARLEK_IPMI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/conversion_factors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/id_string.cpp
  ${CMAKE_CURRENT_LIST_DIR}/device_locator_records.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sensor_records.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sdr_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bmc_identity.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sdr_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sdr_cache.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sdr_repository.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sdr_api.cpp)
