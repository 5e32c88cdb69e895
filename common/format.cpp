#include "common/format.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iomanip>
#include <iterator>

namespace OstrelCli {
namespace Hardware {

namespace {

// Time stamps up to this value count from the controller's initialisation.
constexpr long kFirstCalendarTime = 0x20000000;

const char kNotAvailable[] = "N/A";

// The room a caller's size gives; none for a negative one.
std::size_t Room(int size) {
  return static_cast<std::size_t>(std::max(size, 0));
}

void WriteNotAvailable(char* buffer, int size) {
  std::snprintf(buffer, Room(size), "%s", kNotAvailable);
}

void DumpBytes(std::stringstream& stream, char const* data, int length, const char* separator) {
  stream << std::hex << std::nouppercase << std::setfill('0');
  for (int i = 0; i < length; ++i) {
    stream << std::setw(2) << static_cast<unsigned>(static_cast<unsigned char>(data[i])) << separator;
  }
}

}  // namespace

void TimeStamp(char* buffer, int size, long seconds) {
  if (seconds <= kFirstCalendarTime) {
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
  std::snprintf(buffer, Room(size), "0x%x (%d.%d)", static_cast<unsigned>(version), version & 0x0f,
                (version >> 4) & 0x0f);
  return buffer;
}

const char* SeverityToString(int severity) {
  static const char* const kNames[] = {"Unknown", "Other", "Information", "Degraded/Warning",
                                       "Minor",   "Major", "Critical",    "Fatal/NonRecoverable"};
  const auto index = static_cast<unsigned>(severity);  // a negative one is out of range too
  return index < std::size(kNames) ? kNames[index] : kNames[0];
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
