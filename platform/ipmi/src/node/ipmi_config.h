#pragma once
// The library's configuration file: which nodes are LAN BMCs and how to
// reach them, and the SDR cache settings. Named by MARLEK_IPMI_CONF, else
// /etc/marlek-ipmi.conf; see docs/configuration.md.

#include "transport/lan/session_commands.h"
#include "transport/message.h"

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

namespace marlek {

// A configuration that cannot be used; the text names the file and, for a
// malformed line, the line: "/etc/marlek-ipmi.conf:12: unknown key 'prot'".
class ConfigError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class NodeTransportKind { kDevice, kLan };

struct NodeConfig {
  int index = 0;
  NodeTransportKind transport = NodeTransportKind::kDevice;
  std::string host;
  std::uint16_t port = 623;
  std::string username;
  std::string passwordFile;  // empty: the empty password
  int cipherSuite = 3;
  bool cipherSuiteGiven = false;  // named in the file (needed for suite 0)
  Privilege privilege = Privilege::kAdministrator;
  TransportOptions options;
  std::optional<bool> debug;  // the protocol trace; unset: the global setting

  std::string DevicePath() const { return "/dev/ipmi" + std::to_string(index); }
  // "node 0 (lan 10.0.0.5:623, user admin)", "node 2 (/dev/ipmi2)": what
  // the node really is, for messages.
  std::string Label() const;
};

// The global keys.
struct GlobalSettings {
  std::string cacheDir;  // empty: the default cache directory
  bool sdrCache = true;
  bool debug = false;  // the protocol trace for every node
};

struct IpmiConfig {
  std::string path;  // the file it came from; empty when there was none
  GlobalSettings global;
  std::map<int, NodeConfig> nodes;

  // The node's section, or the device node's defaults when it has none.
  NodeConfig Node(int index) const;
};

// "/etc/marlek-ipmi.conf", or the value of MARLEK_IPMI_CONF when set.
std::string ConfigFilePath();

// Parses the text of a configuration file; path is for error texts.
IpmiConfig ParseConfig(const std::string& text, const std::string& path);

// Reads the configuration in effect. A missing default file is an empty
// configuration; a file named by MARLEK_IPMI_CONF must exist.
IpmiConfig LoadConfig();

// The password stored in a password file: a regular file readable by its
// owner only (mode 0600 or stricter), one line of at most 20 bytes.
std::string ReadPasswordFile(const std::string& path);

}  // namespace marlek
