// The configuration file: what it maps, and the errors a malformed file or
// an unsafe password file gets.

#include "node/ipmi_config.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace marlek {
namespace {

using testing::ScopedEnv;
using testing::TempDir;

TEST(IpmiConfigTest, FullFileMapsNodesAndGlobalSettings) {
  const IpmiConfig c = ParseConfig(R"(# nodes of the rack
cache-dir = /var/tmp/sdr
sdr-cache = off

[node 1]
transport = lan
host = bmc1.example
port = 6230
username = admin
password-file = /etc/bmc1.pw
cipher-suite = 17
privilege = operator
timeout-ms = 1500
retries = 4

  [node 3]   
; a device node with its own timeout
transport=device
timeout-ms=250
)",
                                   "/etc/marlek-ipmi.conf");
  EXPECT_EQ(c.global.cacheDir, "/var/tmp/sdr");
  EXPECT_FALSE(c.global.sdrCache);
  ASSERT_EQ(c.nodes.size(), 2u);
  const NodeConfig n1 = c.Node(1);
  EXPECT_EQ(n1.transport, NodeTransportKind::kLan);
  EXPECT_EQ(n1.host, "bmc1.example");
  EXPECT_EQ(n1.port, 6230);
  EXPECT_EQ(n1.username, "admin");
  EXPECT_EQ(n1.passwordFile, "/etc/bmc1.pw");
  EXPECT_EQ(n1.cipherSuite, 17);
  EXPECT_TRUE(n1.cipherSuiteGiven);
  EXPECT_EQ(n1.privilege, Privilege::kOperator);
  EXPECT_EQ(n1.options.timeout.count(), 1500);
  EXPECT_EQ(n1.options.retries, 4);
  const NodeConfig n3 = c.Node(3);
  EXPECT_EQ(n3.transport, NodeTransportKind::kDevice);
  EXPECT_EQ(n3.DevicePath(), "/dev/ipmi3");
  EXPECT_EQ(n3.options.timeout.count(), 250);
}

TEST(IpmiConfigTest, DefaultsForUnlistedNodesAndUnsetKeys) {
  const IpmiConfig c =
      ParseConfig("[node 0]\ntransport = lan\nhost = 10.0.0.5\npassword-file = pw\n", "/etc/x/m.conf");
  const NodeConfig n0 = c.Node(0);
  EXPECT_EQ(n0.port, 623);
  EXPECT_EQ(n0.cipherSuite, 3);
  EXPECT_FALSE(n0.cipherSuiteGiven);
  EXPECT_EQ(n0.privilege, Privilege::kAdministrator);
  EXPECT_EQ(n0.options.timeout, TransportOptions{}.timeout);
  EXPECT_EQ(n0.options.retries, TransportOptions{}.retries);
  EXPECT_EQ(n0.passwordFile, "/etc/x/pw");  // relative to the file
  const NodeConfig n2 = c.Node(2);
  EXPECT_EQ(n2.transport, NodeTransportKind::kDevice);
  EXPECT_EQ(n2.DevicePath(), "/dev/ipmi2");
  EXPECT_TRUE(c.global.sdrCache);
  EXPECT_TRUE(c.global.cacheDir.empty());
  EXPECT_TRUE(ParseConfig("", "empty.conf").nodes.empty());
}

TEST(IpmiConfigTest, MalformedFilesNameFileAndLine) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"[node 0]\nprot = 5\n", "m.conf:2: unknown key 'prot' in [node 0]"},
      {"host = x\n", "m.conf:1: unknown global key 'host' (node keys belong in a [node N] section)"},
      {"sdr-cache = yes\n", "m.conf:1: sdr-cache must be on or off, not 'yes'"},
      {"cache-dir =\n", "m.conf:1: cache-dir needs a directory"},
      {"\n\n[node x]\n", "m.conf:3: unknown section '[node x]' (expected [node N])"},
      {"[node -1]\n", "m.conf:1: unknown section"},
      {"[nodes 1]\n", "m.conf:1: unknown section"},
      {"[node 1\n", "m.conf:1: section header without closing ']'"},
      {"[node 1]\n[node 1]\n", "m.conf:2: section [node 1] appears twice"},
      {"[node 1]\ntransport = serial\n", "m.conf:2: transport must be device or lan, not 'serial'"},
      {"[node 1]\nport = 70000\n", "m.conf:2: port must be a number from 1 to 65535, not '70000'"},
      {"[node 1]\nport = 62x\n", "m.conf:2: port must be a number"},
      {"[node 1]\ntimeout-ms = 0\n", "m.conf:2: timeout-ms must be a number from 1 to 600000"},
      {"[node 1]\nretries = -1\n", "m.conf:2: retries must be a number from 0 to 10"},
      {"[node 1]\ncipher-suite = 5\n", "m.conf:2: cipher suite 5 is not supported"},
      {"[node 1]\nprivilege = root\n", "m.conf:2: privilege must be callback, user, operator or admin"},
      {"[node 1]\nusername = abcdefghijklmnopq\n", "m.conf:2: username longer than 16 bytes"},
      {"[node 1]\nhost = a\nhost = b\n", "m.conf:3: key 'host' given twice in this section"},
      {"[node 1]\njust words\n", "m.conf:2: expected 'key = value', got 'just words'"},
      {"# c\n[node 4]\ntransport = lan\n\n[node 5]\n",
       "m.conf:2: [node 4] uses transport lan but names no host"},
      {"[node 4]\ntransport = lan\n", "m.conf:1: [node 4] uses transport lan but names no host"},
  };
  for (const Case& c : cases) {
    try {
      ParseConfig(c.text, "/etc/m.conf");
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const ConfigError& e) {
      EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << c.text << "\n -> " << e.what();
      EXPECT_EQ(std::string(e.what()).rfind("/etc/m.conf:", 0), 0u) << e.what();
    }
  }
}

TEST(IpmiConfigTest, FileNamedByTheEnvironment) {
  TempDir dir;
  const std::string file = dir.Write("lib.conf", "[node 2]\ntransport = lan\nhost = h\n");
  {
    ScopedEnv env("MARLEK_IPMI_CONF", file);
    EXPECT_EQ(ConfigFilePath(), file);
    const IpmiConfig c = LoadConfig();
    EXPECT_EQ(c.path, file);
    EXPECT_EQ(c.Node(2).transport, NodeTransportKind::kLan);
  }
  {
    ScopedEnv env("MARLEK_IPMI_CONF", dir.Path() + "/missing.conf");
    try {
      LoadConfig();
      FAIL() << "a missing named file was accepted";
    } catch (const ConfigError& e) {
      EXPECT_NE(std::string(e.what()).find("missing.conf"), std::string::npos) << e.what();
    }
  }
  {
    ScopedEnv env("MARLEK_IPMI_CONF", "");
    EXPECT_EQ(ConfigFilePath(), "/etc/marlek-ipmi.conf");
  }
}

TEST(PasswordFileTest, OnlyAnOwnerOnlyRegularFileIsRead) {
  TempDir dir;
  struct Case {
    const char* name;
    std::string path;
    const char* expected;  // null: accepted
    const char* password;
  };
  const std::string link = dir.Path() + "/link";
  ASSERT_EQ(symlink((dir.Path() + "/ok").c_str(), link.c_str()), 0);
  const Case cases[] = {
      {"0600 with newline", dir.Write("ok", "s3cret\n", 0600), nullptr, "s3cret"},
      {"0400 CRLF", dir.Write("ro", "s3cret\r\n", 0400), nullptr, "s3cret"},
      {"empty", dir.Write("empty", "", 0600), nullptr, ""},
      {"20 bytes", dir.Write("twenty", "12345678901234567890", 0600), nullptr, "12345678901234567890"},
      {"group readable", dir.Write("g", "x", 0640), "readable by its owner only", nullptr},
      {"world readable", dir.Write("w", "x", 0604), "readable by its owner only", nullptr},
      {"21 bytes", dir.Write("long", "123456789012345678901", 0600), "at most 20 bytes", nullptr},
      {"two lines", dir.Write("two", "a\nb\n", 0600), "at most 20 bytes", nullptr},
      {"directory", dir.Path(), "not a regular file", nullptr},
      {"symbolic link", link, "cannot read password file", nullptr},
      {"missing", dir.Path() + "/none", "No such file or directory", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.expected) {
      EXPECT_EQ(ReadPasswordFile(c.path), c.password);
      continue;
    }
    try {
      ReadPasswordFile(c.path);
      ADD_FAILURE() << "accepted";
    } catch (const ConfigError& e) {
      EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.path), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace marlek
