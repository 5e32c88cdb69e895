// Link-time seams (-Wl,--wrap=...) for the C library calls the plug-in makes:
// device discovery answers from FakeIpmi::state().devices, and system-log
// messages go to the call log instead of the system log.
#include "fake_ipmi.h"
#include "lib/string/panic.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char kDevicePrefix[] = "/dev/ipmi";

void RecordSyslog(int priority, const char* format) {
  FakeIpmi::Record("syslog(" + std::to_string(priority) + "," + format + ")");
}

}  // namespace

extern "C" {

int __real_access(const char* path, int mode);

int __wrap_access(const char* path, int mode) {
  if (std::strncmp(path, kDevicePrefix, sizeof(kDevicePrefix) - 1) != 0) {
    return __real_access(path, mode);
  }
  FakeIpmi::Record(std::string("access(") + path + "," + std::to_string(mode) + ")");
  const std::string suffix = path + sizeof(kDevicePrefix) - 1;
  const bool known = !suffix.empty() && FakeIpmi::state().devices.count(std::atoi(suffix.c_str())) != 0 &&
                     std::to_string(std::atoi(suffix.c_str())) == suffix;
  if (known) {
    return 0;
  }
  errno = ENOENT;
  return -1;
}

void __wrap_syslog(int priority, const char* format, ...) {
  RecordSyslog(priority, format);
}

void __wrap___syslog_chk(int priority, int /*flag*/, const char* format, ...) {
  RecordSyslog(priority, format);
}

// The host program's fatal-error hook, for test programs.
void Panic(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::abort();
}

}  // extern "C"
