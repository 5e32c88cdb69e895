// The node open/close operations of the library's interface.

#include "node/node_registry.h"

#include <Ipmi/Ipmi.h>

#include <string>

namespace Ipmi {

int IpmiIfcOpenIpmiOpen(int node) {
  try {
    marlek::NodeRegistry::Instance().Open(node);
    return 0;
  } catch (const ostrelInt::CmpiStatus&) {
    return -1;  // said on standard error where the caller's message cannot say why
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
