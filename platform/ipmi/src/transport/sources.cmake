# The engine both transports share, then the Linux IPMI device (device/) and
# RMCP+ over UDP (lan/).
list(APPEND MARLEK_IPMI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/back_off.cpp
  ${CMAKE_CURRENT_LIST_DIR}/request_pipeline.cpp
  ${CMAKE_CURRENT_LIST_DIR}/trace.cpp
  ${CMAKE_CURRENT_LIST_DIR}/device/device_transport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/device/ipmi_device_io.cpp
  ${CMAKE_CURRENT_LIST_DIR}/device/ipmi_device_message.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lan/bridging.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lan/cipher_suite.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lan/ipmi_lan_message.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lan/lanplus_session.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lan/lanplus_transport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lan/rakp_handshake.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lan/rmcp_frame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lan/rmcpplus_crypto.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lan/rmcpplus_session_packet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lan/session_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lan/session_sequence.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lan/udp_socket.cpp)
