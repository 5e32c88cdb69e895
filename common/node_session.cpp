#include "common/node_session.h"

#include "common/ipmi_exception.h"

#include <Ipmi/Ipmi.h>
#include <pthread.h>

#include <string>

namespace OstrelCli {
namespace Hardware {

DevGuardLock::DevGuardLock() : locked_(true) {
  pthread_mutex_lock(&Ipmi::IpmiDevGuard);
}

DevGuardLock::~DevGuardLock() {
  Unlock();
}

void DevGuardLock::Unlock() {
  if (locked_) {
    locked_ = false;
    pthread_mutex_unlock(&Ipmi::IpmiDevGuard);
  }
}

NodeSession::NodeSession(int node) : node_(node), open_(false) {
  if (Ipmi::IpmiIfcOpenIpmiOpen(node) == -1) {
    throw IpmiException("Access device /dev/ipmi" + std::to_string(node) + " failed");
  }
  if (Ipmi::IpmiIfcInitForCLI(node) == 0) {
    open_ = true;
  } else {
    Ipmi::IpmiIfcOpenIpmiClose(node);
  }
}

NodeSession::~NodeSession() {
  if (open_) {
    Ipmi::IpmiIfcOpenIpmiClose(node_);
    Ipmi::IpmiIfcCloseForCLI(node_);
  }
}

}  // namespace Hardware
}  // namespace OstrelCli
