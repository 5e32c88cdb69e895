#include "common/format.h"

#include <cstdio>
#include <ctime>
#include <iomanip>

namespace OstrelCli {
namespace Hardware {

namespace {

// Time stamps up to this value count from the controller's initialisation.
constexpr long kFirstCalendarTime = 0x20000000;

const char kNotAvailable[] = "N/A";

void WriteNotAvailable(char* buffer, int size) {
  if (size > 0) {
    std::snprintf(buffer, static_cast<std::size_t>(size), "%s", kNotAvailable);
  }
}

void DumpBytes(std::stringstream& stream, char const* data, int length, const char* separator) {
  stream << std::hex << std::nouppercase << std::setfill('0');
  for (int i = 0; i < length; ++i) {
    stream << std::setw(2) << static_cast<unsigned>(static_cast<unsigned char>(data[i])) << separator;
  }
}

}  // namespace

void TimeStamp(char* buffer, int size, long seconds) {
  if (seconds == 0 || seconds <= kFirstCalendarTime) {
    WriteNotAvailable(buffer, size);
    return;
  }
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm broken{};
  if (gmtime_r(&time, &broken) == nullptr) {
    WriteNotAvailable(buffer, size);
    return;
  }
  if (size > 0 && std::strftime(buffer, static_cast<std::size_t>(size), "%FT%T", &broken) == 0) {
    buffer[0] = '\0';
  }
}

char* VersionToString(char* buffer, int size, int version) {
  if (size > 0) {
    std::snprintf(buffer, static_cast<std::size_t>(size), "0x%x (%d.%d)", static_cast<unsigned>(version),
                  version & 0x0f, (version >> 4) & 0x0f);
  }
  return buffer;
}

const char* SeverityToString(int severity) {
  static const char* const kNames[] = {"Unknown", "Other", "Information", "Degraded/Warning",
                                       "Minor",   "Major", "Critical",    "Fatal/NonRecoverable"};
  if (severity < 0 || severity >= static_cast<int>(sizeof(kNames) / sizeof(kNames[0]))) {
    return kNames[0];
  }
  return kNames[severity];
}

const char* RecordTypeToString(int recordType) {
  // 0x02 is the system event record of the IPMI SEL.
  return recordType == 0x02 ? "System Event" : "OEM Timestamped";
}

void DumpRecord(std::stringstream& stream, char const* data, int length) {
  DumpBytes(stream, data, length, "");
}

void DumpRecordPretty(std::stringstream& stream, char const* data, int length) {
  DumpBytes(stream, data, length, " ");
}

std::string DumpToText(DumpFunction dump, const void* data, int length) {
  std::stringstream stream;
  dump(stream, static_cast<const char*>(data), length);
  return stream.str();
}

std::string TakeText(std::stringstream& text) {
  std::string value = text.str();
  text.str("");
  text.clear();
  return value;
}

}  // namespace Hardware
}  // namespace OstrelCli
