// The module's own translation unit: the entry point and the commands come
// from ostrel_ipmi_plugin_core, linked whole.
#include "plugin/register_namespaces.h"
