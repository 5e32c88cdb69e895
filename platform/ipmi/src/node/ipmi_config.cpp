#include "node/ipmi_config.h"

#include "node/checked_file.h"
#include "transport/lan/cipher_suite.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <sstream>

namespace marlek {
namespace {

constexpr const char* kDefaultConfigPath = "/etc/marlek-ipmi.conf";
constexpr std::size_t kMaxPasswordLength = 20;
constexpr std::size_t kMaxUsernameLength = 16;

std::string Trim(const std::string& s) {
  const std::size_t begin = s.find_first_not_of(" \t\r");
  if (begin == std::string::npos)
    return "";
  const std::size_t end = s.find_last_not_of(" \t\r");
  return s.substr(begin, end - begin + 1);
}

// Every digit of text, as a number within [low, high].
std::optional<long> Number(const std::string& text, long low, long high) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const long value = std::stol(text);
  if (value < low || value > high)
    return std::nullopt;
  return value;
}

class Parser {
 public:
  explicit Parser(std::string path) : path_(std::move(path)) { config_.path = path_; }

  IpmiConfig Parse(const std::string& text) {
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
      ++line_;
      const std::string content = Trim(raw);
      if (content.empty() || content[0] == '#' || content[0] == ';')
        continue;
      if (content[0] == '[')
        Section(content);
      else
        KeyValue(content);
    }
    CheckNode();
    return config_;
  }

 private:
  [[noreturn]] void Fail(const std::string& message, int line = 0) const {
    throw ConfigError(path_ + ":" + std::to_string(line ? line : line_) + ": " + message);
  }

  void Section(const std::string& content) {
    CheckNode();
    if (content.back() != ']')
      Fail("section header without closing ']'");
    std::istringstream words(content.substr(1, content.size() - 2));
    std::string kind;
    std::string number;
    std::string extra;
    words >> kind >> number >> extra;
    const std::optional<long> index = Number(number, 0, 0x7fffffff);
    if (kind != "node" || !index || !extra.empty())
      Fail("unknown section '" + content + "' (expected [node N])");
    if (config_.nodes.count(static_cast<int>(*index)))
      Fail("section [node " + number + "] appears twice");
    node_ = &config_.nodes[static_cast<int>(*index)];
    node_->index = static_cast<int>(*index);
    nodeLine_ = line_;
    keys_.clear();
  }

  void KeyValue(const std::string& content) {
    const std::size_t eq = content.find('=');
    if (eq == std::string::npos)
      Fail("expected 'key = value', got '" + content + "'");
    const std::string key = Trim(content.substr(0, eq));
    const std::string value = Trim(content.substr(eq + 1));
    if (!keys_.insert(key).second)
      Fail("key '" + key + "' given twice in this section");
    if (node_)
      NodeKey(key, value);
    else
      GlobalKey(key, value);
  }

  void GlobalKey(const std::string& key, const std::string& value) {
    if (key == "cache-dir") {
      if (value.empty())
        Fail("cache-dir needs a directory");
      config_.global.cacheDir = value;
    } else if (key == "sdr-cache") {
      config_.global.sdrCache = OnOff(key, value);
    } else if (key == "debug") {
      config_.global.debug = OnOff(key, value);
    } else {
      Fail("unknown global key '" + key + "'" +
           (IsNodeKey(key) ? " (node keys belong in a [node N] section)" : ""));
    }
  }

  static bool IsNodeKey(const std::string& key) {
    static const std::set<std::string> kKeys = {"transport",     "host",         "port",      "username",
                                                "password-file", "cipher-suite", "privilege", "timeout-ms",
                                                "retries",       "debug"};
    return kKeys.count(key) != 0;
  }

  void NodeKey(const std::string& key, const std::string& value) {
    NodeConfig& n = *node_;
    if (key == "transport") {
      if (value != "device" && value != "lan")
        Fail("transport must be device or lan, not '" + value + "'");
      n.transport = value == "lan" ? NodeTransportKind::kLan : NodeTransportKind::kDevice;
    } else if (key == "host") {
      if (value.empty())
        Fail("host needs a name or address");
      n.host = value;
    } else if (key == "port") {
      n.port = static_cast<std::uint16_t>(Require(value, 1, 65535, "port"));
    } else if (key == "username") {
      if (value.size() > kMaxUsernameLength)
        Fail("username longer than 16 bytes");
      n.username = value;
    } else if (key == "password-file") {
      if (value.empty())
        Fail("password-file needs a path");
      n.passwordFile = Resolve(value);
    } else if (key == "cipher-suite") {
      n.cipherSuite = static_cast<int>(Require(value, 0, 255, "cipher-suite"));
      if (!LookupCipherSuite(n.cipherSuite))
        Fail("cipher suite " + value + " is not supported (use 3 or 17)");
      n.cipherSuiteGiven = true;
    } else if (key == "privilege") {
      n.privilege = ParsePrivilege(value);
    } else if (key == "timeout-ms") {
      n.options.timeout = std::chrono::milliseconds(Require(value, 1, 600000, "timeout-ms"));
    } else if (key == "retries") {
      n.options.retries = static_cast<int>(Require(value, 0, 10, "retries"));
    } else if (key == "debug") {
      n.debug = OnOff(key, value);
    } else {
      Fail("unknown key '" + key + "' in [node " + std::to_string(n.index) + "]");
    }
  }

  bool OnOff(const std::string& key, const std::string& value) const {
    if (value != "on" && value != "off")
      Fail(key + " must be on or off, not '" + value + "'");
    return value == "on";
  }

  long Require(const std::string& value, long low, long high, const char* key) const {
    const std::optional<long> v = Number(value, low, high);
    if (!v)
      Fail(std::string(key) + " must be a number from " + std::to_string(low) + " to " +
           std::to_string(high) + ", not '" + value + "'");
    return *v;
  }

  Privilege ParsePrivilege(const std::string& value) const {
    if (value == "callback")
      return Privilege::kCallback;
    if (value == "user")
      return Privilege::kUser;
    if (value == "operator")
      return Privilege::kOperator;
    if (value == "admin" || value == "administrator")
      return Privilege::kAdministrator;
    Fail("privilege must be callback, user, operator or admin, not '" + value + "'");
  }

  // A relative password file is taken relative to the configuration file.
  std::string Resolve(const std::string& value) const {
    if (value[0] == '/')
      return value;
    const std::size_t slash = path_.rfind('/');
    return slash == std::string::npos ? value : path_.substr(0, slash + 1) + value;
  }

  void CheckNode() const {
    if (node_ && node_->transport == NodeTransportKind::kLan && node_->host.empty())
      Fail("[node " + std::to_string(node_->index) + "] uses transport lan but names no host", nodeLine_);
  }

  std::string path_;
  IpmiConfig config_;
  NodeConfig* node_ = nullptr;
  int line_ = 0;
  int nodeLine_ = 0;
  std::set<std::string> keys_;
};

}  // namespace

std::string NodeConfig::Label() const {
  const std::string target = transport == NodeTransportKind::kLan
                                 ? "lan " + host + ":" + std::to_string(port) + ", user " + username
                                 : DevicePath();
  return "node " + std::to_string(index) + " (" + target + ")";
}

NodeConfig IpmiConfig::Node(int index) const {
  auto it = nodes.find(index);
  NodeConfig node;
  if (it != nodes.end()) {
    node = it->second;
  } else {
    node.index = index;
  }
  if (!node.debug)
    node.debug = global.debug;
  return node;
}

std::string ConfigFilePath() {
  const char* named = std::getenv("MARLEK_IPMI_CONF");
  return named && *named ? named : kDefaultConfigPath;
}

IpmiConfig ParseConfig(const std::string& text, const std::string& path) {
  return Parser(path).Parse(text);
}

IpmiConfig LoadConfig() {
  const std::string path = ConfigFilePath();
  FileRules rules;
  rules.what = "configuration file";
  int openError = 0;
  try {
    return ParseConfig(ReadCheckedFile(path, rules, &openError), path);
  } catch (const UnusableFile& e) {
    if (openError == ENOENT && path == kDefaultConfigPath)
      return IpmiConfig{};
    throw ConfigError(e.what());
  }
}

std::string ReadPasswordFile(const std::string& path) {
  FileRules rules;
  rules.what = "password file";
  rules.followLink = false;
  rules.forbiddenMode = 077;
  rules.maxSize = 128;
  std::string password;
  try {
    password = ReadCheckedFile(path, rules);
  } catch (const UnusableFile& e) {
    throw ConfigError(e.what());
  }
  if (!password.empty() && password.back() == '\n')
    password.pop_back();
  if (!password.empty() && password.back() == '\r')
    password.pop_back();
  if (password.size() > kMaxPasswordLength || password.find('\n') != std::string::npos)
    throw ConfigError("password file " + path + " must hold one password of at most 20 bytes");
  return password;
}

}  // namespace marlek
