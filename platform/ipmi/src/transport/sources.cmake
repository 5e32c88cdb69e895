list(APPEND MARLEK_IPMI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/back_off.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bridging.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cipher_suite.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ipmi_lan_message.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lanplus_session.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lanplus_transport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rakp_handshake.cpp
  ${CMAKE_CURRENT_LIST_DIR}/request_pipeline.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rmcp_frame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rmcpplus_crypto.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rmcpplus_session_packet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/session_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/session_sequence.cpp
  ${CMAKE_CURRENT_LIST_DIR}/trace.cpp
  ${CMAKE_CURRENT_LIST_DIR}/udp_socket.cpp)
list(APPEND MARLEK_IPMI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/device_transport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ipmi_device_io.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ipmi_device_message.cpp)
