// The library's sensor entry point.
#include "node/node_context.h"
#include "sensor/sensor_list.h"

#include <Ipmi/Ipmi.h>

namespace Ipmi {

std::vector<std::shared_ptr<IpmiSensor>> IpmiIfc::getSensors(int node) {
  return marlek::LoadSensors(marlek::RequireOpenNode(node));
}

}  // namespace Ipmi
