#include <Ipmi/Ipmi.h>

namespace Ipmi {

pthread_mutex_t IpmiDevGuard = PTHREAD_MUTEX_INITIALIZER;

}  // namespace Ipmi
