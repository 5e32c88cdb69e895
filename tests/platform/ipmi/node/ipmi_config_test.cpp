// The configuration file's errors and edges, and a password file's checks.

#include "node/ipmi_config.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <set>

namespace marlek {
namespace {

using testing::TempDir;

TEST(IpmiConfigTest, MalformedFilesNameFileAndLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"[node 0]\nprot = 5\n", "m.conf:2: unknown key 'prot' in [node 0]"},
      {"host = x\n", "m.conf:1: unknown global key 'host' (node keys belong in a [node N] section)"},
      {"sdr-cache = yes\n", "m.conf:1: sdr-cache must be on or off, not 'yes'"},
      {"cache-dir =\n", "m.conf:1: cache-dir needs a directory"},
      {"\n\n[node x]\n", "m.conf:3: unknown section '[node x]' (expected [node N])"},
      {"[node 1\n", "m.conf:1: section header without closing ']'"},
      {"[node 1]\n[node 1]\n", "m.conf:2: section [node 1] appears twice"},
      {"[node 1]\ntransport = serial\n", "m.conf:2: transport must be device or lan, not 'serial'"},
      {"[node 1]\nport = 65536\n", "m.conf:2: port must be a number from 1 to 65535, not '65536'"},
      {"[node 1]\nport = 0\n", "m.conf:2: port must be a number"},
      {"[node 1]\ntimeout-ms = 0\n", "m.conf:2: timeout-ms must be a number from 1 to 600000"},
      {"[node 1]\ntimeout-ms = 600001\n", "m.conf:2: timeout-ms must be a number from 1 to 600000"},
      {"[node 1]\nretries = -1\n", "m.conf:2: retries must be a number from 0 to 10"},
      {"[node 1]\nretries = 11\n", "m.conf:2: retries must be a number from 0 to 10"},
      {"[node 1]\ncipher-suite = 5\n", "m.conf:2: cipher suite 5 is not supported"},
      {"[node 1]\nprivilege = root\n", "m.conf:2: privilege must be callback, user, operator or admin"},
      {"[node 1]\nusername = abcdefghijklmnopq\n", "m.conf:2: username longer than 16 bytes"},
      {"[node 1]\nhost = a\nhost = b\n", "m.conf:3: key 'host' given twice in this section"},
      {"[node 1]\njust words\n", "m.conf:2: expected 'key = value', got 'just words'"},
      {"# c\n[node 4]\ntransport = lan\n\n[node 5]\n",
       "m.conf:2: [node 4] uses transport lan but names no host"},
  };
  for (const auto& c : cases)  // text, error
    EXPECT_THAT(
        [&] { ParseConfig(c.first, "/etc/m.conf"); },
        ::testing::ThrowsMessage<ConfigError>(::testing::StartsWith(std::string("/etc/") + c.second)));
  const IpmiConfig edges = ParseConfig(
      " [node 1] \nport=65535\ntimeout-ms=1\nretries=10\nusername=abcdefghijklmnop\npassword-file = pw\n"
      "[node 2]\nport=1\ntimeout-ms=600000\nretries=0\ncipher-suite=17\n",
      "/etc/x/m.conf");
  EXPECT_EQ(edges.Node(1).port + edges.Node(2).port, 65536);
  EXPECT_EQ(edges.Node(2).cipherSuite, 17);
  EXPECT_EQ(edges.Node(1).passwordFile, "/etc/x/pw");
  const std::set<int> spoken{0, 1, 2, 3, 15, 16, 17};  // none, SHA-1 and SHA-256 with or without AES
  for (int suite = 0; suite <= 18; ++suite) {
    const auto parse = [&] {
      ParseConfig("[node 1]\ncipher-suite=" + std::to_string(suite) + "\n", "/m.conf");
    };
    if (spoken.count(suite))
      EXPECT_NO_THROW(parse()) << suite;
    else
      EXPECT_THROW(parse(), ConfigError) << suite;
  }
}

TEST(IpmiConfigTest, OnlyTheDefaultFileMayBeMissing) {
  setenv("MARLEK_IPMI_CONF", "/nonexistent/m.conf", 1);
  EXPECT_THROW(LoadConfig(), ConfigError);
  unsetenv("MARLEK_IPMI_CONF");
  if (access(ConfigFilePath().c_str(), F_OK) != 0) {
    EXPECT_TRUE(LoadConfig().nodes.empty());
  }
}

TEST(PasswordFileTest, OnlyAnOwnerOnlyRegularFileIsRead) {
  TempDir dir;
  const std::string link = dir.Path() + "/link";
  ASSERT_EQ(symlink((dir.Path() + "/ok").c_str(), link.c_str()), 0);
  const struct {
    std::string path;
    const char* expected;  // the error, or the password read
    bool accepted;
  } cases[] = {
      {dir.Write("ok", "s3cret\n", 0600), "s3cret", true},
      {dir.Write("ro", "s3cret\r\n", 0400), "s3cret", true},
      {dir.Write("empty", "", 0600), "", true},
      {dir.Write("twenty", "12345678901234567890", 0600), "12345678901234567890", true},
      {dir.Write("g", "x", 0640), "readable by group or others (mode 0640); make it 0600", false},
      {dir.Write("w", "x", 0604), "readable by group or others (mode 0604); make it 0600", false},
      {dir.Write("long", "123456789012345678901", 0600), "at most 20 bytes", false},
      {dir.Write("two", "a\nb\n", 0600), "at most 20 bytes", false},
      {dir.Write("128", std::string(128, 'x'), 0600), "at most 20 bytes", false},  // read, then refused
      {dir.Write("129", std::string(129, 'x'), 0600), "larger than 128 bytes", false},
      {dir.Path(), "not a regular file", false},
      {link, "is a symbolic link", false},
      {dir.Path() + "/none", "No such file or directory", false},
  };
  for (const auto& c : cases) {
    try {
      EXPECT_EQ(ReadPasswordFile(c.path), c.expected);
      EXPECT_TRUE(c.accepted) << c.path;
    } catch (const ConfigError& e) {
      EXPECT_FALSE(c.accepted) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.path), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace marlek
