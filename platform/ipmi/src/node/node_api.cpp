// The node open/close operations of the library's interface.

#include "node/node_registry.h"

#include <Ipmi/Ipmi.h>

#include <cstdio>
#include <string>

namespace Ipmi {
namespace {

// A configuration mistake is the user's to fix and would otherwise only
// show as a failed open: say what and where.
void ReportOpenFailure(const ostrelInt::CmpiStatus& e) {
  if (e.msg().rfind("IPMI configuration: ", 0) == 0)
    std::fprintf(stderr, "marlek-ipmi: %s\n", e.msg().c_str());
}

}  // namespace

int IpmiIfcOpenIpmiOpen(int node) {
  marlek::NodeRegistry& registry = marlek::NodeRegistry::Instance();
  if (registry.Find(node))
    return 0;
  try {
    registry.Add(marlek::OpenNodeContext(node));
    return 0;
  } catch (const ostrelInt::CmpiStatus& e) {
    ReportOpenFailure(e);
    return -1;
  }
}

int IpmiIfcInitForCLI(int node) {
  return marlek::NodeRegistry::Instance().MakeCurrent(node) ? 0 : -1;
}

int IpmiIfcOpenIpmiClose(int node) {
  return marlek::NodeRegistry::Instance().Remove(node) ? 0 : -1;
}

int IpmiIfcCloseForCLI(int node) {
  marlek::NodeRegistry::Instance().ClearCurrent(node);
  return 0;
}

}  // namespace Ipmi
