// The shared library's own translation unit; the code lives in marlek_ipmi_core.
#include <Ipmi/Export.h>

extern "C" IPMI_API const char* marlek_ipmi_version() {
  return "1.0.0";
}
