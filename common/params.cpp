#include "common/params.h"

#include "common/ipmi_exception.h"

#include <unistd.h>

#include <cctype>
#include <sstream>
#include <string>

namespace OstrelCli {
namespace Hardware {

namespace {

using Kelvo::CallSpec::ParameterSpec;

void AddParameter(const std::shared_ptr<Kelvo::CallSpec::InputSpec>& spec, const char* name, int type,
                  const char* shortName, const std::string& description) {
  std::shared_ptr<ParameterSpec> parameter = ParameterSpec::New(name, type);
  parameter->SetShortName(shortName);
  parameter->SetRequired(false);
  parameter->SetDescription(description);
  spec->AddParameter(parameter);
}

// "all" in any letter case, and nothing else.
bool IsAllNodes(const std::string& value) {
  static const char kAll[] = "all";
  if (value.size() != sizeof(kAll) - 1) {
    return false;
  }
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(value[i])) !=
        std::toupper(static_cast<unsigned char>(kAll[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

void SetParams(std::shared_ptr<Kelvo::CallSpec::InputSpec> spec) {
  AddParameter(
      spec, "include-raw", 3, "r",
      "Include a hex dump where the value of each byte is presented as hexidecimal characters joined "
      "without spaces");
  AddParameter(
      spec, "include-pretty-raw", 3, "p",
      "Include a hex dump where each byte is separated by a space and its value is presented with two "
      "hexidecimal characters using a leading zero if needed");
  AddParameter(
      spec, "include-all-sensors", 3, "a",
      "Include all SDR entries including those for entities that do not exist, or have no health state.");
  AddParameter(spec, "ignore-missing", 3, "i", "Do not fail command if ipmi device is not present");
  AddParameter(spec, "node", 0, "n",
               "Specify which IPMI device (0.." + std::to_string(kMaxIpmiNode) +
                   ") to query, defaults to 'all' for all ipmi nodes");
}

void LoadIpmiDevices(std::vector<int>& nodes) {
  for (int node = 0; node <= kMaxIpmiNode; ++node) {
    const std::string path = "/dev/ipmi" + std::to_string(node);
    if (access(path.c_str(), F_OK) == 0) {
      nodes.push_back(node);
    }
  }
}

void LoadIpmiNodes(const std::shared_ptr<Kelvo::CallSpec::Input>& input, std::vector<int>& nodes) {
  if (!input->HasParameter("node")) {
    LoadIpmiDevices(nodes);
    return;
  }
  const std::string& value = input->GetParameter("node");
  if (IsAllNodes(value)) {
    LoadIpmiDevices(nodes);
    return;
  }
  std::istringstream stream(value);
  int node = 0;
  if (!(stream >> node)) {
    throw IpmiException("Expected an ordinal number in the range of 0 - " + std::to_string(kMaxIpmiNode) +
                        ", argument: '" + value + "'");
  }
  nodes.push_back(node);
}

}  // namespace Hardware
}  // namespace OstrelCli
